// What the component builds its journal's engine from: the folder, the system's steady clock,
// and track.scrobble through ApiClient.
#include <utility>

#include "api/api_client.h"
#include "api/json_reply.h"
#include "api/track_call.h"
#include "journal/journal_engine.h"

namespace foo_brivanto {
namespace {

constexpr std::string_view kFolderName = "foo_brivanto";

class SystemClock final : public JournalClock {
 public:
  time_point now() override { return std::chrono::steady_clock::now(); }
  void wait_until(std::unique_lock<std::mutex>& lock, std::condition_variable& wake,
                  time_point deadline) override {
    if (deadline == time_point::max()) {
      wake.wait(lock);
    } else {
      wake.wait_until(lock, deadline);
    }
  }
};

}  // namespace

std::string journal_folder(std::string_view profile_path) {
  std::string folder(profile_path.starts_with("file://") ? profile_path.substr(7) : profile_path);
  if (folder.empty()) {
    return folder;
  }
  if (folder.back() != '/' && folder.back() != '\\') {
    folder += folder.find('\\') != std::string::npos ? '\\' : '/';
  }
  return folder.append(kFolderName);
}

std::shared_ptr<JournalClock> system_journal_clock() {
  return std::make_shared<SystemClock>();
}

std::function<TrackCallOutcome(const std::string&, const TrackInfo&, std::string&)>
send_through_api(std::string base_url, std::string api_key, std::string shared_secret) {
  return [base_url = std::move(base_url), api_key = std::move(api_key),
          shared_secret = std::move(shared_secret)](const std::string& session_key,
                                                    const TrackInfo& track, std::string& error) {
    return guarded_track_call(error, [&] {
      const TrackCallOutcome outcome =
          ApiClient(base_url, api_key, shared_secret).scrobble(session_key, track, error);
      if (outcome == TrackCallOutcome::kRejected) {
        if (auto message = json_error_message(error); message && !message->empty()) {
          error = std::move(*message);
        }
      }
      return outcome;
    });
  };
}

}  // namespace foo_brivanto
