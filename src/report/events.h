#pragma once

// Event properties of report objects: handlers kept by property name in one table, published
// through the class description like any other property.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rtl/typinfo.h"

namespace qr2vor {

class TEventTable {
 public:
  // The handler of an event; unassigned when none was set.
  TMethod Get(std::string_view name) const {
    for (const auto& [event, method] : events_) {
      if (event == name) return method;
    }
    return {};
  }
  void Set(std::string_view name, const TMethod& method) {
    for (auto& [event, held] : events_) {
      if (event == name) {
        held = method;
        return;
      }
    }
    events_.emplace_back(std::string(name), method);
  }

 private:
  std::vector<std::pair<std::string, TMethod>> events_;
};

// Publishes one event property per name, in order, reading and writing T::Events().
template <class T>
TClassInfo::Builder<T>&& WithEvents(TClassInfo::Builder<T>&& builder,
                                    std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    const std::string event(name);
    std::move(builder).Method(
        event, [event](const T& object) { return object.Events().Get(event); },
        [event](T& object, const TMethod& method) { object.Events().Set(event, method); });
  }
  return std::move(builder);
}

}  // namespace qr2vor
