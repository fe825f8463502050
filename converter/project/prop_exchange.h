// The property exchange: one interface that both moves the record to a store and fills it from
// one, so the list of fields is written once (CProjectSettings::ExchangeProperties).
#pragma once

#include <string>

class CPropExchange {
 public:
  virtual ~CPropExchange() = default;
  // True when the exchange fills the record (loading), false when it takes the record's
  // values (storing).
  virtual bool IsLoading() const = 0;
  // Loading: `value` becomes the stored property `name`, or `defaultValue` when it is absent.
  // Storing: the exchange takes `value` under `name`.
  virtual void ExchangeString(const char16_t* name, std::u16string& value, const char16_t* defaultValue) = 0;
};
