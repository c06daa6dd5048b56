#include "format/today.h"

#include <ctime>

namespace kivo {

DateValue SystemToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return DateValue{2001, 1, 1};
  return DateValue{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace kivo
