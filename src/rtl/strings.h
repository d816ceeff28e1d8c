#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/persistent.h"

namespace qr2vor {

// An ordered list of strings, each with an optional object pointer (not owned).
// Streamed as the defined property "Strings": a list of string values.
class TStrings : public TPersistent {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  virtual int Count() const = 0;
  virtual const std::string& Get(int index) const = 0;
  virtual void Put(int index, const std::string& text) = 0;
  virtual void* Objects(int index) const = 0;
  virtual void PutObject(int index, void* object) = 0;
  virtual void Insert(int index, const std::string& text) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  const std::string& operator[](int index) const { return Get(index); }
  virtual int Add(const std::string& text);
  int AddObject(const std::string& text, void* object);
  void AddStrings(const TStrings& strings);
  virtual int IndexOf(std::string_view text) const;
  int IndexOfName(std::string_view name) const;
  // "name=value" access.
  std::string Names(int index) const;
  std::string Values(std::string_view name) const;
  void SetValue(std::string_view name, const std::string& value);

  // The lines joined, each followed by CR LF; setting splits at CR, LF or CR LF.
  std::string Text() const;
  void SetText(std::string_view text);
  // Comma-separated, strings with blanks, commas or quotes double-quoted.
  std::string CommaText() const;
  void SetCommaText(std::string_view text);

  void BeginUpdate();
  void EndUpdate();
  bool Equals(const TStrings& other) const;
  void Assign(const TPersistent& source) override;
  void DefineProperties(TFiler& filer) override;

  // Called after every change outside BeginUpdate/EndUpdate.
  std::function<void()> OnChange;

 protected:
  void Changed();

 private:
  int updateCount_ = 0;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
 public:
  static const TClassInfo& StaticClassInfo();
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }

  int Count() const override { return static_cast<int>(items_.size()); }
  const std::string& Get(int index) const override;
  void Put(int index, const std::string& text) override;
  void* Objects(int index) const override;
  void PutObject(int index, void* object) override;
  void Insert(int index, const std::string& text) override;
  void Delete(int index) override;
  void Clear() override;
  int Add(const std::string& text) override;
  int IndexOf(std::string_view text) const override;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool caseSensitive);
  // Binary search in a sorted list: true if found; `index` is where the text is or would go.
  bool Find(std::string_view text, int& index) const;
  void Sort();

 private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };
  int Compare(std::string_view a, std::string_view b) const;
  void CheckIndex(int index, bool allowEnd = false) const;

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = TDuplicates::dupIgnore;
};

}  // namespace qr2vor
