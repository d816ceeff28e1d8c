#pragma once

// A canvas that records an enhanced metafile (EMF) through libUEMF's record builders. Units are
// pixels at 96 per inch (the page unit); the reference device is a 96 pixels-per-inch screen. Pens,
// brushes and fonts become objects created once and selected again when they recur; text becomes
// wide-character text-out records with the advances the font engine measured.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/canvas.h"

namespace qr2vor {

class TMetafileCanvas : public TCanvas {
 public:
  // A page of width by height pixels.
  TMetafileCanvas(int32_t width, int32_t height);
  ~TMetafileCanvas() override;

  // Ends the metafile (end-of-file record, header totals) and returns its bytes; the canvas
  // draws nothing more after this.
  std::string Finish();
  // Finish, then the bytes into the metafile.
  void SaveTo(TMetafile& metafile);

 protected:
  void DoMoveTo(TPoint point) override;
  void DoLine(TPoint from, TPoint to) override;
  void DoRectangle(const TRect& rect) override;
  void DoRoundRect(const TRect& rect, int32_t cornerWidth, int32_t cornerHeight) override;
  void DoEllipse(const TRect& rect) override;
  void DoFillRect(const TRect& rect) override;
  void DoTextOut(int32_t x, int32_t y, std::string_view text, int32_t escapement) override;
  void DoTextOutAdvances(int32_t x, int32_t y, std::string_view text, int32_t escapement,
                         std::span<const int32_t> advances) override;
  void DoDrawImage(const TRect& dest, const TRasterImage& image, const TRect& source) override;
  void DoIntersectClipRect(const TRect& rect) override;
  void DoSaveState() override;
  void DoRestoreState() override;

 private:
  // What the device context has selected and set, as the records so far leave it.
  struct TState {
    uint32_t pen = 0;
    uint32_t brush = 0;
    uint32_t font = 0;
    std::optional<uint32_t> textColor;
    std::optional<uint32_t> backColor;
    std::optional<uint32_t> backMode;
    std::optional<TPoint> position;
  };

  // Takes a record made by libUEMF (malloc'd), appends it and frees it.
  void Append(char* record);
  // The object for a key, its creation record made by `create(handle)` the first time.
  uint32_t ObjectHandle(const std::string& key, const std::function<char*(uint32_t)>& create);
  // Selects an object (or a stock object) into a slot unless it is selected already.
  void SelectObject(uint32_t TState::*slot, uint32_t handle);
  void SelectPen();
  void SelectBrush();
  void SelectNullPen();
  void SelectFont(int32_t escapement);
  void SetBackMode(uint32_t mode);
  // Dashed pens and hatched brushes leave gaps, which stay transparent as on the raster canvas.
  void KeepPatternGapsClear(bool withPen, bool withBrush);
  void CheckOpen() const;

  int32_t width_;
  int32_t height_;
  std::string bytes_;
  int32_t records_ = 0;
  bool finished_ = false;
  std::map<std::string, uint32_t> objects_;
  uint32_t nextHandle_ = 1;
  uint32_t handleCount_ = 1;  // the highest handle used, plus one; handle 0 is reserved
  TState state_;
  std::vector<TState> saved_;
};

}  // namespace qr2vor
