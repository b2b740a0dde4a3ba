#include "service/outage.h"

#include <array>
#include <utility>

namespace brivanto_service {
namespace {

constexpr std::array<std::pair<Outage, std::string_view>, 6> kNames{{
    {Outage::kNone, "none"},
    {Outage::kRefuse, "refuse"},
    {Outage::kUnavailable, "unavailable"},
    {Outage::kBusy, "busy"},
    {Outage::kNeverAnswer, "never-answer"},
    {Outage::kRejectSessionKey, "reject-session-key"},
}};

}  // namespace

std::string_view outage_name(Outage outage) {
  for (const auto& [mode, name] : kNames) {
    if (mode == outage)
      return name;
  }
  return "none";
}

std::optional<Outage> parse_outage(std::string_view name) {
  for (const auto& [mode, mode_name] : kNames) {
    if (mode_name == name)
      return mode;
  }
  return std::nullopt;
}

std::string outage_names() {
  std::string names;
  for (const auto& entry : kNames) {
    names += (names.empty() ? "" : ", ") + std::string(entry.second);
  }
  return names;
}

Outage OutageGate::mode() const {
  const std::lock_guard lock(mutex_);
  return mode_;
}

void OutageGate::set(Outage mode) {
  {
    const std::lock_guard lock(mutex_);
    mode_ = mode;
  }
  changed_.notify_all();
}

Outage OutageGate::admit() {
  std::unique_lock lock(mutex_);
  if (mode_ == Outage::kNeverAnswer && !closed_) {
    ++held_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return mode_ != Outage::kNeverAnswer || closed_; });
    --held_;
    changed_.notify_all();
  }
  return closed_ ? Outage::kUnavailable : mode_;
}

void OutageGate::close() {
  {
    const std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

std::size_t OutageGate::held() const {
  const std::lock_guard lock(mutex_);
  return held_;
}

bool OutageGate::wait_until_held(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return held_ >= count; });
}

}  // namespace brivanto_service
