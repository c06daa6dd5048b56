#include "format/today.h"

#include <ctime>
#include <mutex>
#include <utility>

namespace kivo {

namespace {
std::mutex g_mutex;
TodaySource g_source;

TodaySource Exchange(TodaySource source) {
  std::lock_guard lock(g_mutex);
  return std::exchange(g_source, std::move(source));
}
}  // namespace

DateValue SystemToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return DateValue{2001, 1, 1};
  return DateValue{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

DateValue Today() {
  TodaySource source;
  {
    std::lock_guard lock(g_mutex);
    source = g_source;
  }
  return source ? source() : SystemToday();
}

void SetTodaySource(TodaySource source) { Exchange(std::move(source)); }

ScopedToday::ScopedToday(DateValue date) : previous_(Exchange([date] { return date; })) {}

ScopedToday::~ScopedToday() { Exchange(std::move(previous_)); }

}  // namespace kivo
