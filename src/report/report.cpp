#include "report/report.h"

#include <algorithm>
#include <cstring>

#include "platform/data/dataset.h"
#include "rtl/exceptions.h"
#include "stream/format.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "stream/resource.h"

namespace qr2vor {

namespace {

constexpr const char* kDefaultFileName = "Report.vor";

// The report file's own header: the length of the header text, then the text.
std::string FileHeaderText() {
  return EnglishText(text::kFileHeader1) + " " + EnglishText(text::kFileHeader2) + " " +
         EnglishText(text::kFileHeader3);
}

void PutUInt32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

uint32_t GetUInt32(std::string_view bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

[[noreturn]] void InvalidReportFile() { throw EInvalidImage(msg::kInvalidStreamFormat); }

}  // namespace

const TEnumInfo& OptionInfo() {
  static const TEnumInfo info("TVoROption", {"roDisableControls"});
  return info;
}

// TVoProperty

const TClassInfo& TVoProperty::StaticClassInfo() {
  using T = TVoProperty;
  static const TClassInfo info = TClassInfo::Derive<T, TPersistent>("TVoProperty")
                                     .String("Author", &T::Author, &T::SetAuthor)
                                     .String("Title", &T::Title, &T::SetTitle)
                                     .String("Subject", &T::Subject, &T::SetSubject)
                                     .String("Keywords", &T::Keywords, &T::SetKeywords)
                                     .String("Comments", &T::Comments, &T::SetComments);
  return info;
}

void TVoProperty::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TVoProperty*>(&source);
  if (other == nullptr) return TPersistent::Assign(source);
  author_ = other->author_;
  title_ = other->title_;
  subject_ = other->subject_;
  keywords_ = other->keywords_;
  comments_ = other->comments_;
}

// TVoPrintBaseComponent

TVoPrintBaseComponent::TVoPrintBaseComponent(TComponent* owner)
    : TComponent(owner),
      variables_(std::make_unique<TVoRVariables>(this)),
      voProperty_(std::make_unique<TVoProperty>()),
      frame_(std::make_unique<TVoRFrame>()),
      printerSetting_(std::make_unique<TVoRPrinter>()),
      language_(std::make_unique<TVoRLanguage>()) {
  variables_->SetPropName("Variables");
}

const TClassInfo& TVoPrintBaseComponent::StaticClassInfo() {
  using T = TVoPrintBaseComponent;
  static const TClassInfo info =
      WithEvents(TClassInfo::Derive<T, TComponent>("TVoPrintBaseComponent")
                     .Object<TVoRLanguage>("Language", &T::Language, &T::SetLanguage)
                     .Object<TVoProperty>("VoProperty", &T::VoProperty, &T::SetVoProperty)
                     .Integer("HelpContext", &T::HelpContext, &T::SetHelpContext, 0),
                 {"OnBeginDoc", "OnEndDoc", "OnBeginPage", "OnEndPage", "OnPreview",
                  "OnBeforePreview", "OnAfterPreview", "OnBeforePrint", "OnAfterPrint"});
  return info;
}

void TVoPrintBaseComponent::SetLanguage(TVoRLanguage* language) {
  if (language != nullptr) language_->Assign(*language);
}

void TVoPrintBaseComponent::SetVoProperty(TVoProperty* properties) {
  if (properties != nullptr) voProperty_->Assign(*properties);
}

void TVoPrintBaseComponent::SetVariables(TVoRVariables* variables) {
  if (variables != nullptr) variables_->Assign(*variables);
}

void TVoPrintBaseComponent::SetFrame(TVoRFrame* frame) {
  if (frame != nullptr) frame_->Assign(*frame);
}

void TVoPrintBaseComponent::SetPrinterSetting(TVoRPrinter* printer) {
  if (printer != nullptr) printerSetting_->Assign(*printer);
}

// TVoPrintComponent

TVoPrintComponent::TVoPrintComponent(TComponent* owner)
    : TVoPrintBaseComponent(owner), font_(std::make_unique<TFont>()) {
  font_->SetName("Arial");
}

const TClassInfo& TVoPrintComponent::StaticClassInfo() {
  using T = TVoPrintComponent;
  static const TClassInfo info = TClassInfo::Derive<T, TVoPrintBaseComponent>("TVoPrintComponent")
                                     .Boolean("TwoPass", &T::TwoPass, &T::SetTwoPass, false);
  return info;
}

void TVoPrintComponent::SetFont(TFont* font) {
  if (font != nullptr) font_->Assign(*font);
}

// TVoReport

TVoReport::TVoReport(TComponent* owner)
    : TVoPrintComponent(owner), parameters_(std::make_unique<TVoRParameters>(this)) {
  parameters_->SetPropName("Parameters");
  AddBand(btPageHeader, true);
  AddBand(btDetail, true);
  AddBand(btPageFooter, true);
}

TVoReport::~TVoReport() { ClearBands(); }

const TClassInfo& TVoReport::StaticClassInfo() {
  using T = TVoReport;
  static const TClassInfo info =
      WithEvents(
          WithEvents(
              TClassInfo::Derive<T, TVoPrintComponent>("TVoReport")
                  .Object<TDataSet>("DataSet", &T::DataSet, &T::SetDataSet)
                  .Object<TVoRDataManager>("DataManager", &T::DataManager, &T::SetDataManager)
                  .Integer("BarNumber", &T::BarNumber, &T::SetBarNumber, 1)
                  .Integer("ColumnSpace", &T::ColumnSpace, &T::SetColumnSpace, 0)
                  .Integer("ColumnNumber", &T::ColumnNumber, &T::SetColumnNumber, 1)
                  .String("FileName", &T::FileName, &T::SetFileName)
                  .StoredIf(&T::IsFileNameStored)
                  .Integer("PageNoStartAt", &T::PageNoStartAt, &T::SetPageNoStartAt, 0)
                  .Integer("PageNoCountBy", &T::PageNoCountBy, &T::SetPageNoCountBy, 1)
                  .Object<TVoRVariables>("Variables", &T::Variables, &T::SetVariables)
                  .Object<TVoRParameters>("Parameters", &T::Parameters, &T::SetParameters),
              {"OnBeginColumn", "OnEndColumn", "BeforeControlPrint", "AfterControlPrint",
               "BeforeBandPrint", "AfterBandPrint"})
              .Boolean("AnimatedStatus", &T::AnimatedStatus, &T::SetAnimatedStatus, true)
              .Object<TVoRFrame>("Frame", &T::Frame, &T::SetFrame)
              .Object<TVoRPrinter>("PrinterSetting", &T::PrinterSetting, &T::SetPrinterSetting)
              .Object<TFont>("Font", &T::Font, &T::SetFont),
          {"OnGetVariable"})
          .Set("Options", OptionInfo(), &T::Options, &T::SetOptions, 1u << roDisableControls)
          .Creatable();
  return info;
}

void TVoReport::SetDataSet(TDataSet* dataSet) {
  dataSet_ = dataSet;
  if (dataSet != nullptr) FreeNotification(dataSet);
}

void TVoReport::SetDataManager(TVoRDataManager* manager) {
  dataManager_ = manager;
  if (manager != nullptr) FreeNotification(manager);
}

std::string TVoReport::FileName() const { return fileName_.empty() ? kDefaultFileName : fileName_; }

void TVoReport::SetParameters(TVoRParameters* parameters) {
  if (parameters != nullptr) parameters_->Assign(*parameters);
}

TVoRBand* TVoReport::Bands(int index) const {
  if (index < 0 || index >= BandCount()) return nullptr;
  return bands_[static_cast<size_t>(index)];
}

int TVoReport::AddBand(TBandType type, bool atEnd) {
  auto* band = new TVoRBand(this);
  band->SetBandType(type);
  if (type == btPageHeader || type == btPageFooter) band->SetNewPage(true);
  const int key = BandOrderKey(type);
  const auto keyOf = [](const TVoRBand* b) { return BandOrderKey(b->BandType()); };
  auto place = bands_.end();
  if (type != btReportSummary) {
    if (atEnd) {
      // After the last band of a key not greater; first when every key is greater.
      const auto last = std::find_if(bands_.rbegin(), bands_.rend(),
                                     [&](const TVoRBand* b) { return keyOf(b) <= key; });
      place = last.base();
    } else {
      place = std::find_if(bands_.begin(), bands_.end(),
                           [&](const TVoRBand* b) { return keyOf(b) >= key; });
    }
  }
  const auto inserted = bands_.insert(place, band);
  return static_cast<int>(inserted - bands_.begin());
}

void TVoReport::DeleteBand(int index) {
  if (index < 0 || index >= BandCount()) throw EListError(fmt::runtime(msg::kListIndex), index);
  TVoRBand* band = bands_[static_cast<size_t>(index)];
  bands_.erase(bands_.begin() + index);
  delete band;
}

void TVoReport::ClearBands() {
  for (int i = BandCount() - 1; i >= 0; --i) DeleteBand(i);
}

int TVoReport::FindBandByType(TBandType type) const {
  for (int i = 0; i < BandCount(); ++i) {
    if (bands_[static_cast<size_t>(i)]->BandType() == type) return i;
  }
  return -1;
}

std::string TVoReport::UniqueName(const std::string& base) const {
  std::string result = base;
  int counter = 0;
  const auto visit = [&](const TVoRControl& control) {
    if (control.DisplayName() != result) return;
    ++counter;
    result = base + std::to_string(counter);
  };
  for (const TVoRBand* band : bands_) {
    visit(*band);
    for (int i = 0; i < band->ControlCount(); ++i) visit(*band->Controls(i));
  }
  return result;
}

std::string TVoReport::SaveToBytes() {
  const std::string header = FileHeaderText();
  std::string prefix;
  PutUInt32(prefix, static_cast<uint32_t>(header.size()));
  prefix += header;
  TMemoryStream stream(prefix);
  stream.Seek(0, TSeekOrigin::soEnd);
  WriteDescendentRes(stream, ClassName(), *this);
  return stream.TakeBytes();
}

void TVoReport::SaveToFile(const std::string& fileName) {
  fileName_ = fileName;
  SaveFileAtomically(fileName, SaveToBytes());
}

std::unique_ptr<TVoReport> TVoReport::LoadFromFile(const std::string& fileName) {
  return LoadFromBytes(LoadFile(fileName));
}

std::unique_ptr<TVoReport> TVoReport::LoadFromBytes(std::string_view bytes) {
  // The header text, skipped by its length.
  if (bytes.size() < 4) InvalidReportFile();
  const uint32_t headerLength = GetUInt32(bytes, 0);
  if (headerLength > bytes.size() - 4) InvalidReportFile();
  TMemoryStream file{std::string(bytes.substr(4 + headerLength))};
  // The resource header, named after the report class, and the size of the component stream.
  const std::string name = ReadResHeader(file);
  if (!SameText(name, StaticClassInfo().Name())) InvalidReportFile();
  const std::string& rest = file.Bytes();
  const auto streamStart = static_cast<size_t>(file.Position());
  if (streamStart > rest.size()) InvalidReportFile();
  const uint32_t size = GetUInt32(rest, streamStart - 4);
  if (size > rest.size() - streamStart) InvalidReportFile();
  TMemoryStream component(rest.substr(streamStart, size));

  auto report = std::make_unique<TVoReport>(nullptr);
  TReader reader(component);
  reader.ReadRootComponent(report.get());
  return report;
}

void TVoReport::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
  // A copy: writing a child must not disturb the walk.
  const std::vector<TVoRBand*> bands = bands_;
  for (TVoRBand* band : bands) proc(band);
}

void TVoReport::Notification(TComponent* component, TOperation operation) {
  TVoPrintComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  std::erase(bands_, component);
  std::erase(readBands_, component);
  if (component == dataSet_) dataSet_ = nullptr;
  if (component == dataManager_) dataManager_ = nullptr;
}

void TVoReport::Loaded() {
  TVoPrintComponent::Loaded();
  for (int i = BandCount() - 1; i >= 0; --i) {
    const TVoRBand* band = bands_[static_cast<size_t>(i)];
    if (std::find(readBands_.begin(), readBands_.end(), band) == readBands_.end()) DeleteBand(i);
  }
  readBands_.clear();
}

// TVoRCompositeReport

TVoRCompositeReport::TVoRCompositeReport(TComponent* owner) : TVoPrintBaseComponent(owner) {
  SetAnimatedStatus(false);
}

TVoRCompositeReport::~TVoRCompositeReport() { ClearReports(); }

void TVoRCompositeReport::AddReport(TVoReport* report) {
  if (report == nullptr) return;
  reports_.push_back(report);
  report->FreeNotification(this);
}

void TVoRCompositeReport::RemoveReport(TVoReport* report) {
  std::erase(reports_, report);
  if (report != nullptr && std::find(reports_.begin(), reports_.end(), report) == reports_.end()) {
    report->RemoveFreeNotification(this);
  }
}

void TVoRCompositeReport::ClearReports() {
  while (!reports_.empty()) RemoveReport(reports_.back());
}

void TVoRCompositeReport::Notification(TComponent* component, TOperation operation) {
  TVoPrintBaseComponent::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  std::erase_if(reports_, [component](TVoReport* report) {
    return static_cast<TComponent*>(report) == component;
  });
}

const TClassInfo& TVoRCompositeReport::StaticClassInfo() {
  static const TClassInfo info =
      TClassInfo::Derive<TVoRCompositeReport, TVoPrintBaseComponent>("TVoRCompositeReport")
          .Creatable();
  return info;
}

void RegisterReportClasses() {
  RegisterStandardIntegerConsts();
  RegisterGraphicClasses();
  for (const TClassInfo* type :
       {&TVoReport::StaticClassInfo(), &TVoRCompositeReport::StaticClassInfo(),
        &TVoRBand::StaticClassInfo(), &TVoRLabel::StaticClassInfo(),
        &TVoRExpression::StaticClassInfo(), &TVoRSysData::StaticClassInfo(),
        &TVoRLine::StaticClassInfo(), &TVoRRectangle::StaticClassInfo(),
        &TVoREllipse::StaticClassInfo(), &TVoRImage::StaticClassInfo(),
        &TVoRichText::StaticClassInfo(), &TVoRDataManager::StaticClassInfo()}) {
    RegisterClass(*type);
  }
}

}  // namespace qr2vor
