#include "app/convert/ledger.h"

#include <nlohmann/json.hpp>

#include "rtl/codepage.h"

namespace qr2vor {

namespace {

using nlohmann::ordered_json;

// The form's text is decoded by its code page; this is the one of the form being written.
int formCodePage = kDefaultCodePage;

std::string Text(const std::string& text) { return CodePageToUtf8(text, formCodePage); }

// File paths and the messages that name them, as the system holds them: bytes of the file
// system's names (UTF-8 here), never decoded from a code page. Bytes that are no UTF-8 become
// U+FFFD when the JSON is written.
const std::string& Raw(const std::string& bytes) { return bytes; }

ordered_json BandJson(const TLedgerBand& band) {
  ordered_json controls = ordered_json::array();
  for (const TLedgerControl& control : band.controls) {
    controls.push_back(
        {{"name", Text(control.name)},
         {"class", control.className},
         {"became", {{"class", control.becameClass}, {"displayName", Text(control.becameName)}}}});
  }
  return {{"name", Text(band.name)},
          {"class", band.className},
          {"bandType", band.bandType},
          {"became", {{"displayName", Text(band.becameName)}, {"bandType", band.becameBandType}}},
          {"controls", std::move(controls)}};
}

ordered_json FormJson(const TFormLedger& form) {
  formCodePage = form.codePage;
  ordered_json json = {{"source", Raw(form.source)},
                       {"destination", Raw(form.destination)},
                       {"outcome", OutcomeName(form.outcome)},
                       {"codePage", form.codePage}};
  if (form.lostCharacters > 0) json["charactersLost"] = form.lostCharacters;
  if (form.outcome == TConvertOutcome::Failed) json["message"] = Raw(form.message);
  if (!form.quickRep.empty()) {
    json["quickRep"] = Text(form.quickRep);
    json["rootIsReport"] = form.rootIsReport;
  }
  ordered_json& bands = json["bands"] = ordered_json::array();
  for (const TLedgerBand& band : form.bands) bands.push_back(BandJson(band));
  ordered_json& notCarried = json["notCarried"] = ordered_json::array();
  for (const TLedgerValue& value : form.notCarried) {
    ordered_json entry = {{"object", Text(value.object)},
                          {"class", value.className},
                          {"property", value.property},
                          {"value", Text(value.value)}};
    if (!value.reason.empty()) entry["reason"] = value.reason;
    notCarried.push_back(std::move(entry));
  }
  ordered_json& carried = json["carried"] = ordered_json::array();
  for (const TLedgerCarried& value : form.carried) {
    carried.push_back({{"object", Text(value.object)},
                       {"class", value.className},
                       {"kind", value.kind},
                       {"properties", value.properties},
                       {"became", Text(value.became)}});
  }
  ordered_json& leftBehind = json["leftBehind"] = ordered_json::array();
  for (const TLedgerLeftBehind& component : form.leftBehind) {
    leftBehind.push_back({{"name", Text(component.name)},
                          {"class", component.className},
                          {"reason", component.reason}});
  }
  ordered_json& handlers = json["eventHandlers"] = ordered_json::array();
  for (const TLedgerHandler& handler : form.eventHandlers) {
    handlers.push_back({{"object", Text(handler.object)},
                        {"class", handler.className},
                        {"event", handler.property},
                        {"handler", Text(handler.handler)}});
  }
  ordered_json& unregistered = json["unregisteredClasses"] = ordered_json::array();
  for (const TLedgerUnregistered& object : form.unregistered) {
    ordered_json properties = ordered_json::object();
    for (const TOutlineProperty& property : object.properties) {
      properties[property.name] = Text(property.value);
    }
    ordered_json held = ordered_json::array();
    for (const std::string& nested : object.held) held.push_back(Text(nested));
    unregistered.push_back({{"name", Text(object.name)},
                            {"class", object.className},
                            {"kind", object.kind},
                            {"properties", std::move(properties)},
                            {"held", std::move(held)}});
  }
  ordered_json& withoutAncestor = json["inheritedWithoutAncestor"] = ordered_json::array();
  for (const std::string& object : form.withoutAncestor) withoutAncestor.push_back(Text(object));
  if (!form.ancestors.empty()) {
    ordered_json& ancestors = json["ancestors"] = ordered_json::array();
    for (const std::string& ancestor : form.ancestors) ancestors.push_back(Raw(ancestor));
  }
  if (!form.ancestorNotes.empty()) {
    ordered_json& notes = json["ancestorNotes"] = ordered_json::array();
    for (const std::string& note : form.ancestorNotes) notes.push_back(Raw(note));
  }
  ordered_json& skipped = json["readerSkipped"] = ordered_json::array();
  for (const std::string& message : form.readerSkipped) skipped.push_back(Text(message));
  if (form.readerSkippedUncounted > 0) {
    json["readerSkippedNotListed"] = form.readerSkippedUncounted;
  }
  return json;
}

}  // namespace

size_t TFormLedger::ControlCount() const {
  size_t count = 0;
  for (const TLedgerBand& band : bands) count += band.controls.size();
  return count;
}

std::string OutcomeName(TConvertOutcome outcome) {
  switch (outcome) {
    case TConvertOutcome::Converted:
      return "converted";
    case TConvertOutcome::WithoutReport:
      return "without report";
    case TConvertOutcome::Failed:
      return "failed";
  }
  return {};
}

std::string LedgerToJson(const std::vector<TFormLedger>& forms) {
  ordered_json list = ordered_json::array();
  size_t counts[3] = {0, 0, 0};
  for (const TFormLedger& form : forms) {
    list.push_back(FormJson(form));
    ++counts[static_cast<int>(form.outcome)];
  }
  const ordered_json json = {
      {"forms", std::move(list)},
      {"summary", {{"converted", counts[0]}, {"withoutReport", counts[1]}, {"failed", counts[2]}}}};
  return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace qr2vor
