#include "app/convert/driver.h"

#include <array>
#include <filesystem>
#include <map>
#include <optional>

#include "app/convert/ancestors.h"
#include "app/convert/mapping.h"
#include "qrmodel/qr_form.h"
#include "report/report.h"
#include "rtl/exceptions.h"
#include "stream/format.h"
#include "stream/reader.h"
#include "stream/registry.h"
#include "stream/resource.h"

namespace qr2vor {

namespace {

// A container of the form's own windowing toolkit, read as nothing more than a place for
// controls.
class TPlainContainer : public TWinControl {
 public:
  using TWinControl::TWinControl;

  static const TClassInfo& StaticClassInfo() {
    static const TClassInfo info =
        TClassInfo::Derive<TPlainContainer, TWinControl>("TPlainContainer").Creatable();
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};

constexpr std::array<const char*, 8> kContainerClasses = {
    "TPanel",       "TTabSheet", "TGroupBox",   "TScrollBox",
    "TPageControl", "TFrame",    "TDataModule", "TForm"};

// QuickReport 2's report classes, which this converter does not read.
constexpr std::array<const char*, 3> kQuickReport2Classes = {"TQuickReport", "TQRDetailLink",
                                                             "TQRDBCalc"};

// The containers are known to the class registry for one conversion only.
class ContainerRegistration {
 public:
  explicit ContainerRegistration(bool active) : active_(active) {
    if (!active_) return;
    for (const char* name : kContainerClasses) {
      RegisterClassAlias(TPlainContainer::StaticClassInfo(), name);
    }
  }
  ~ContainerRegistration() {
    if (active_) UnRegisterClass(TPlainContainer::StaticClassInfo());
  }
  ContainerRegistration(const ContainerRegistration&) = delete;
  ContainerRegistration& operator=(const ContainerRegistration&) = delete;

 private:
  bool active_;
};

bool IsAnyOf(const std::string& name, std::span<const char* const> names) {
  for (const char* candidate : names) {
    if (SameText(name, candidate)) return true;
  }
  return false;
}

// What reading a form handled on its own.
struct FormReadLog {
  ReadLog errors;
  // Inherited objects made afresh from their class, as "Name: TClass".
  std::vector<std::string> withoutAncestor;
  // Characters of UTF-8 and wide strings that the form's code page cannot hold.
  size_t lostCharacters = 0;
  TSkipCounts skipped;
};

// Whether a message the error hook handled is an object skipped with what it nests: its class
// unknown, or its ancestor missing. Everything else the hook hears of is one value skipped.
bool IsObjectSkipped(const std::string& message) {
  const auto matches = [&message](std::string_view format) {
    const size_t hole = format.find("{}");
    return message.size() >= format.size() - 2 && message.starts_with(format.substr(0, hole)) &&
           message.ends_with(format.substr(hole + 2));
  };
  return matches(msg::kClassNotFound) || matches(msg::kAncestorNotFound);
}

// Steps 3 and 4: the resource header, then the component stream into `root` with both hooks
// answering "handled" (and the error hook recording what it handled). An inherited object whose
// ancestor form is not at hand is made afresh from its class when that class is known, so that
// what the form itself holds is not lost. The reader is freed before the caller frees the
// stream.
void ReadForm(TStream& stream, TComponent& root, int codePage, FormReadLog& formLog) {
  ReadLog& log = formLog.errors;
  ReadResHeader(stream);
  TReader reader(stream, kFilerBufferSize);
  reader.SetCodePage(codePage);
  reader.OnError = [&log, &formLog](TReader&, const std::string& message, bool& handled) {
    handled = true;
    ++(IsObjectSkipped(message) ? formLog.skipped.objects : formLog.skipped.values);
    if (log.messages.size() < ReadLog::kMaxMessages) {
      log.messages.push_back(message);
    } else {
      ++log.dropped;
    }
  };
  reader.OnFindMethod = [](TReader&, const std::string&, bool& found, bool& error) {
    found = false;
    error = false;
  };
  reader.OnAncestorNotFound = [&formLog](TReader& reader, const std::string& name,
                                         const TClassInfo* type, TComponent*& component) {
    if (type == nullptr || !type->Factory()) return;
    std::unique_ptr<TComponent> created(type->Factory()(reader.Owner()));
    created->SetName(name);
    component = created.release();
    formLog.withoutAncestor.push_back(name + ": " + type->Name());
  };
  reader.ReadRootComponent(&root);
  formLog.lostCharacters += reader.LostCharacters();
}

// Step 6: the first TQuickRep the root owns, in creation order.
TQuickRep* FindFirstQuickRep(const TComponent& root) {
  for (int i = 0; i < root.ComponentCount(); ++i) {
    if (auto* quickRep = dynamic_cast<TQuickRep*>(root.Components(i))) return quickRep;
  }
  return nullptr;
}

// Whether the root form holds QuickReport bands as its own children: the form is itself a report.
bool HoldsOwnBands(const TQRForm& root) {
  for (int i = 0; i < root.ComponentCount(); ++i) {
    const auto* band = dynamic_cast<const TQRCustomBand*>(root.Components(i));
    if (band != nullptr && band->Parent() == &root) return true;
  }
  return false;
}

std::string LeftBehindReason(const TComponent& component) {
  if (dynamic_cast<const TQuickRep*>(&component) != nullptr) {
    return "another report: only the first is converted";
  }
  if (dynamic_cast<const TQRCustomBand*>(&component) != nullptr) {
    return "a band outside the converted report";
  }
  if (dynamic_cast<const TQRPrintable*>(&component) != nullptr) {
    return "a printable outside the bands of the converted report";
  }
  return "not a band or printable of the converted report";
}

std::string UnregisteredKind(const std::string& className) {
  if (IsAnyOf(className, kQuickReport2Classes)) return "QuickReport 2 class: not converted";
  if (IsAnyOf(className, kContainerClasses)) {
    return "container: read with --look-inside to find a report inside it";
  }
  if (className.size() > 3 && SameText(className.substr(0, 3), "TQR")) {
    return "QuickReport add-on class: not converted";
  }
  return "class not known to the converter";
}

bool IsCreatable(const std::string& className) {
  const TClassInfo* type = GetClass(className);
  return type != nullptr && type->Factory();
}

// Objects of unknown classes, each with what it held; objects inside them are not looked at
// again.
void RecordUnregistered(const TOutlineObject& object, bool isRoot, TFormLedger& ledger) {
  if (!isRoot && !IsCreatable(object.className)) {
    TLedgerUnregistered& entry = ledger.unregistered.emplace_back();
    entry.name = object.name;
    entry.className = object.className;
    entry.kind = UnregisteredKind(object.className);
    entry.properties = object.properties;
    for (const TOutlineObject& child : object.children) {
      child.ForEach([&](const TOutlineObject& nested) {
        entry.held.push_back(nested.name + ": " + nested.className);
      });
    }
    return;
  }
  for (const TOutlineObject& child : object.children) RecordUnregistered(child, false, ledger);
}

void RecordEventHandlers(const TOutlineObject& outline, TFormLedger& ledger) {
  outline.ForEach([&](const TOutlineObject& object) {
    for (const TOutlineProperty& property : object.properties) {
      if (IsEventHandlerReference(property)) {
        ledger.eventHandlers.push_back(
            {object.name, object.className, property.name, property.value});
      }
    }
  });
}

// The values of the converted objects that the mapping leaves behind, matched by name (the
// report read as the root by being the root), and what the extensions carried.
void RecordNotCarried(const TOutlineObject& outline, const TQuickRep& quickRep, bool rootIsReport,
                      const TMappedReport& mapped, TFormLedger& ledger) {
  struct Converted {
    const TComponent* component;
    const TExtensionLog* extensions;
  };
  std::map<std::string, Converted> converted;
  if (!rootIsReport) converted[quickRep.Name()] = {&quickRep, &mapped.extensions};
  for (const TMappedBand& band : mapped.bands) {
    converted[band.source->Name()] = {band.source, &band.extensions};
    for (const TMappedControl& control : band.controls) {
      converted[control.source->Name()] = {control.source, &control.extensions};
    }
  }
  const auto record = [&](const TOutlineObject& object, const Converted& found) {
    for (const TOutlineProperty& property : object.properties) {
      if (IsEventHandlerReference(property) || MappingCarries(*found.component, property.name) ||
          found.extensions->Carries(property.name)) {
        continue;
      }
      std::string reason;
      for (const TRefusedValue& refused : found.extensions->refused) {
        if (SameText(refused.property, property.name)) reason = refused.reason;
      }
      ledger.notCarried.push_back(
          {object.name, object.className, property.name, property.value, reason});
    }
    for (const TCarriedValue& carried : found.extensions->carried) {
      ledger.carried.push_back(
          {object.name, object.className, carried.kind, carried.properties, carried.became});
    }
  };
  if (rootIsReport) record(outline, {&quickRep, &mapped.extensions});
  outline.ForEach([&](const TOutlineObject& object) {
    if (object.name.empty()) return;
    const auto found = converted.find(object.name);
    if (found != converted.end() && &object != &outline) record(object, found->second);
  });
}

void RecordMapping(const std::vector<TMappedBand>& bands, TFormLedger& ledger) {
  for (const TMappedBand& band : bands) {
    TLedgerBand& entry = ledger.bands.emplace_back();
    entry.name = band.source->Name();
    entry.className = band.source->ClassName();
    entry.bandType = QRBandTypeInfo().NameOf(band.source->BandType());
    entry.becameName = band.target->DisplayName();
    entry.becameBandType = BandTypeInfo().NameOf(band.target->BandType());
    for (const TMappedControl& control : band.controls) {
      entry.controls.push_back({control.source->Name(), control.source->ClassName(),
                                control.target->ClassName(), control.target->DisplayName()});
    }
    for (const TControl* skipped : band.skipped) {
      ledger.leftBehind.push_back(
          {skipped->Name(), skipped->ClassName(), "not a printable: no mapping"});
    }
  }
}

void RecordLeftBehind(const TComponent& owner, const TQuickRep* quickRep,
                      const std::vector<TMappedBand>& bands, TFormLedger& ledger) {
  const auto isConverted = [&](const TComponent* component) {
    if (component == quickRep) return true;
    for (const TMappedBand& band : bands) {
      if (band.source == component) return true;
      for (const TMappedControl& control : band.controls) {
        if (control.source == component) return true;
      }
      for (const TControl* skipped : band.skipped) {
        if (skipped == component) return true;
      }
    }
    return false;
  };
  for (int i = 0; i < owner.ComponentCount(); ++i) {
    const TComponent* component = owner.Components(i);
    if (isConverted(component)) continue;
    ledger.leftBehind.push_back(
        {component->Name(), component->ClassName(), LeftBehindReason(*component)});
  }
}

TOutlineObject ReadOutline(const TFormOpener& open, int codePage) {
  const std::unique_ptr<TStream> stream = open();
  ReadResHeader(*stream);
  return ReadFormOutline(*stream, codePage);
}

// Strings saved as UTF-8 or wide text are read into the code page the form's fonts name. A
// stream too broken to outline is left for the reader to report.
int TextCodePage(const TFormOpener& open) {
  try {
    return FormCodePage(ReadOutline(open, ProcessCodePage()));
  } catch (const Exception&) {
    return ProcessCodePage();
  }
}

}  // namespace

struct TConversionDriver::Conversion {
  // Freed last: the root form, or the report read as the root, with the QuickReport tree.
  std::unique_ptr<TComponent> root;
  // Freed first; nullptr when the form holds no report.
  std::unique_ptr<TVoReport> report;
};

TConversionDriver::TConversionDriver(TUIService& ui, TConvertOptions options)
    : ui_(ui), options_(options) {}

void TConversionDriver::FormCreate() {
  RegisterStandardIntegerConsts();
  RegisterConverterClasses();
  RegisterQuickReportClasses();
  RegisterReportClasses();
}

TConversionDriver::Conversion TConversionDriver::ReadAndMap(const TFormOpener& open,
                                                            TFormLedger* ledger) {
  const ContainerRegistration containers(options_.lookInside);
  Conversion conversion;
  const int codePage = TextCodePage(open);
  if (ledger != nullptr) ledger->codePage = codePage;
  // The ancestors, outermost first, then the form itself, all into the one root.
  // What was skipped is known also when reading fails.
  const auto readChain = [&](TComponent& root, FormReadLog& log) {
    try {
      for (const std::string& ancestor : ancestors_) {
        TMemoryStream stream(LoadFormAsBinary(ancestor));
        ReadForm(stream, root, codePage, log);
      }
      const std::unique_ptr<TStream> stream = open();
      ReadForm(*stream, root, codePage, log);
    } catch (...) {
      lastSkipped_ = log.skipped;
      throw;
    }
    lastSkipped_ = log.skipped;
  };
  auto form = std::make_unique<TQRForm>(nullptr);
  FormReadLog log;
  readChain(*form, log);
  TQuickRep* quickRep = FindFirstQuickRep(*form);
  bool rootIsReport = false;
  if (quickRep == nullptr && HoldsOwnBands(*form)) {
    // The form's class derives from TQuickRep: read it again into a report as the root.
    form.reset();
    log = FormReadLog();
    auto rootReport = std::make_unique<TQuickRep>(nullptr);
    readChain(*rootReport, log);
    quickRep = rootReport.get();
    conversion.root = std::move(rootReport);
    rootIsReport = true;
  } else {
    conversion.root = std::move(form);
  }

  TMappedReport mapped;
  if (quickRep != nullptr) {
    conversion.report = std::make_unique<TVoReport>(nullptr);
    for (int i = conversion.report->BandCount() - 1; i >= 0; --i) conversion.report->DeleteBand(i);
    mapped = MapQuickReport(*quickRep, *conversion.report, {.extensions = !options_.compatible});
  }
  const std::vector<TMappedBand>& bands = mapped.bands;

  if (ledger != nullptr) {
    ledger->outcome =
        quickRep != nullptr ? TConvertOutcome::Converted : TConvertOutcome::WithoutReport;
    ledger->readerSkipped = std::move(log.errors.messages);
    ledger->readerSkippedUncounted = log.errors.dropped;
    ledger->withoutAncestor = std::move(log.withoutAncestor);
    ledger->lostCharacters = log.lostCharacters;
    ledger->ancestors = ancestors_;
    const TOutlineObject outline = ReadOutline(open, codePage);
    RecordUnregistered(outline, true, *ledger);
    RecordEventHandlers(outline, *ledger);
    if (quickRep != nullptr) {
      ledger->quickRep = quickRep->Name();
      ledger->rootIsReport = rootIsReport;
      RecordMapping(bands, *ledger);
      RecordNotCarried(outline, *quickRep, rootIsReport, mapped, *ledger);
    }
    RecordLeftBehind(*conversion.root, quickRep, bands, *ledger);
  }
  return conversion;
}

TConvertOutcome TConversionDriver::btnConvertClick(const std::string& edQR,
                                                   const std::string& edVOR, TFormLedger* ledger) {
  lastSkipped_ = {};
  if (ledger != nullptr) {
    ledger->source = edQR;
    ledger->destination = edVOR;
  }
  std::error_code error;
  if (std::filesystem::equivalent(edQR, edVOR, error)) {
    throw EFCreateError(fmt::runtime(std::string(msg::kFCreate) + ": it is the source form file"),
                        edVOR);
  }
  const Conversion conversion = ReadAndMap(
      options_.textForms && !options_.compatible ? OpenFormOrTextFile(edQR) : OpenFormFile(edQR),
      ledger);
  if (conversion.report == nullptr) return TConvertOutcome::WithoutReport;
  conversion.report->SaveToFile(edVOR);
  ui_.ShowMessage("File " + edVOR + " succesfully created");
  return TConvertOutcome::Converted;
}

TConvertOutcome TConversionDriver::Inspect(const TFormOpener& open, TFormLedger& ledger) {
  lastSkipped_ = {};
  ReadAndMap(open, &ledger);
  return ledger.outcome;
}

std::string PartialReadNote(const TSkipCounts& skipped) {
  return fmt::format("read in part: {} {} and {} {} skipped; --ledger lists them", skipped.objects,
                     skipped.objects == 1 ? "object" : "objects", skipped.values,
                     skipped.values == 1 ? "value" : "values");
}

TFormOpener OpenFormFile(const std::string& path) {
  return [path]() -> std::unique_ptr<TStream> {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      throw EFOpenError(fmt::runtime(msg::kFOpen), path);
    }
    return std::make_unique<TFileStream>(path, TFileMode::fmOpenRead);
  };
}

TFormOpener OpenFormOrTextFile(const std::string& path) {
  auto bytes = std::make_shared<std::optional<std::string>>();
  return [path, bytes]() -> std::unique_ptr<TStream> {
    if (!bytes->has_value()) *bytes = LoadFormAsBinary(path);
    return std::make_unique<TMemoryStream>(**bytes);
  };
}

TConvertOutcome ConvertForm(TConversionDriver& driver, TUIService& ui, const std::string& source,
                            const std::string& destination, TFormLedger* ledger) {
  try {
    return driver.btnConvertClick(source, destination, ledger);
  } catch (const std::exception& e) {
    ui.ShowError(e.what());
    if (ledger != nullptr) {
      ledger->outcome = TConvertOutcome::Failed;
      ledger->message = e.what();
    }
    return TConvertOutcome::Failed;
  }
}

}  // namespace qr2vor
