#pragma once

// The conversion ledger: per form, what each QuickReport band and control became, the values
// the mapping does not carry, the event handlers the form names, and what the reader skipped.

#include <cstddef>
#include <string>
#include <vector>

#include "app/convert/form_outline.h"
#include "rtl/codepage.h"

namespace qr2vor {

enum class TConvertOutcome { Converted, WithoutReport, Failed };

struct TLedgerControl {
  std::string name;
  std::string className;
  std::string becameClass;
  // Report objects are known by their display names.
  std::string becameName;
};

struct TLedgerBand {
  std::string name;
  std::string className;
  std::string bandType;
  std::string becameName;
  std::string becameBandType;
  std::vector<TLedgerControl> controls;
};

// A property the form file holds and the mapping leaves behind, with its value and, where the
// report could not say it, why.
struct TLedgerValue {
  std::string object;
  std::string className;
  std::string property;
  std::string value;
  std::string reason;
};

// What the page, visibility, alignment, frame and mask extensions carried for one object.
struct TLedgerCarried {
  std::string object;
  std::string className;
  // "page", "columns", "title", "frame", "hidden", "aligned" or "mask".
  std::string kind;
  std::vector<std::string> properties;
  std::string became;
};

// An event property naming a handler method: code to port by hand.
struct TLedgerHandler {
  std::string object;
  std::string className;
  std::string property;
  std::string handler;
};

// A component that was read but is no band or printable of the converted report.
struct TLedgerLeftBehind {
  std::string name;
  std::string className;
  std::string reason;
};

// An object of a class the reader does not know, skipped with everything nested in it.
struct TLedgerUnregistered {
  std::string name;
  std::string className;
  std::string kind;
  std::vector<TOutlineProperty> properties;
  // Every object nested inside, in stream order, as "Name: TClass".
  std::vector<std::string> held;
};

struct TFormLedger {
  // File paths as the file system holds them (bytes, never decoded from a code page).
  std::string source;
  std::string destination;
  // The code page of the form's text, which the JSON decodes it by.
  int codePage = ProcessCodePage();
  // Characters of UTF-8 and wide strings that the code page could not hold (read as '?').
  size_t lostCharacters = 0;
  TConvertOutcome outcome = TConvertOutcome::WithoutReport;
  // The failure's message when the conversion failed.
  std::string message;
  std::string quickRep;
  // The form's root object is itself the report.
  bool rootIsReport = false;
  std::vector<TLedgerBand> bands;
  std::vector<TLedgerValue> notCarried;
  std::vector<TLedgerCarried> carried;
  std::vector<TLedgerLeftBehind> leftBehind;
  std::vector<TLedgerHandler> eventHandlers;
  std::vector<TLedgerUnregistered> unregistered;
  // Inherited objects whose ancestor form was not at hand, made afresh from their class: only the
  // values this form overrides are known. As "Name: TClass".
  std::vector<std::string> withoutAncestor;
  // The ancestor forms read before this one, outermost first.
  std::vector<std::string> ancestors;
  // For an inherited form: how its ancestors were found, or why not, and so what was skipped.
  std::vector<std::string> ancestorNotes;
  // The messages the reader's error hook handled.
  std::vector<std::string> readerSkipped;
  size_t readerSkippedUncounted = 0;

  size_t ControlCount() const;
};

std::string OutcomeName(TConvertOutcome outcome);

// The ledger file: {"forms": [...], "summary": {...}}, text decoded from the ANSI code page to
// UTF-8.
std::string LedgerToJson(const std::vector<TFormLedger>& forms);

}  // namespace qr2vor
