// Playback as the player reports it, what the stand-in service received of it, and the end:
// on_quit, then the unload of the library while one of its requests still hangs.
#include "drive.h"
#include "json.h"

namespace host {
namespace {

// The played track. Its texts hold what form encoding and JSON must carry unchanged; the
// artist has a second value, of which the component sends the first.
const char kArtist[] = "Кино";
const char kSecondArtist[] = "Виктор Цой";
const char kTitle[] = "Кукушка + «Звезда» & Co";
const char kAlbum[] = "Последний герой";
// The album that the stream's information names later, which the scrobble then carries.
const char kStreamAlbum[] = "Группа крови";
const char kLength[] = "100";
// The track whose notice still hangs when the player quits.
const char kLastArtist[] = "Аквариум";
const char kLastTitle[] = "Город золотой";

void fill(HostTrack& track, const char* artist, const char* second_artist, const char* title,
          const char* album) {
  HostFileInfo& info = track.file();
  info.add_meta("genre", "Rock");  // first, so that the tags the component wants are not
  info.add_meta("artist", artist);
  if (second_artist != nullptr) {
    info.add_meta("artist", second_artist);
  }
  info.add_meta("title", title);
  if (album != nullptr) {
    info.add_meta("album", album);
  }
  info.add_info("codec", "FLAC");
  info.set_length(100.0);
  info.seal();
}

player::play_callback* wanting(PlaybackCallbacks& playback, unsigned flag, const char* event) {
  player::play_callback* callback = playback.wants(flag);
  if (callback == nullptr) {
    fatal(Text("no play callback is registered for ") << event);
  }
  return callback;
}

// The loader's word that a library left the process: the end of an unload, as an event.
struct UnloadWatch {
  HMODULE module;
  HANDLE event;
};
void WINAPI on_unload(DWORD reason, const LdrUnloadedData* data, void* context) {
  const auto* watch = static_cast<const UnloadWatch*>(context);
  if (reason == kLdrReasonUnloaded && data->base == watch->module) {
    SetEvent(watch->event);
  }
}

int64_t parse_number(const Text& text) {
  int64_t value = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

HostTrack* new_track(const char* handle_name, const char* container_name, const char* artist,
                     const char* title, const char* album) {
  auto* track = new HostTrack(handle_name, container_name);
  fill(*track, artist, nullptr, title, album);
  return track;
}

void Drive::play_and_scrobble() {
  out("== playback");
  auto* track = new HostTrack("metadb_handle (played)", "metadb_info_container (played)");
  fill(*track, kArtist, kSecondArtist, kTitle, kAlbum);
  auto* stream = new HostFileInfo;  // the stream's own information, as dynamic info
  stream->add_info("bitrate", "320");
  stream->add_info("album", kStreamAlbum);
  stream->seal();
  PlaybackCallbacks& playback = *playback_;
  const Text described = Text(kArtist) << " - " << kTitle << " (" << kAlbum << ")";
  const Text described_later = Text(kArtist) << " - " << kTitle << " (" << kStreamAlbum << ")";

  mark_lines();
  // The component reads its clock for the track's start within the call: between these two.
  const int32_t started = _time32(nullptr);
  CALL_COMPONENT("play_callback::on_playback_new_track",
                 wanting(playback, player::play_callback::flag_new_track, "new tracks")
                     ->on_playback_new_track(player::metadb_handle::ptr(track)));
  const int32_t started_last = _time32(nullptr);
  // Printed at once, inside the call.
  const Text now_playing = Text("foo_brivanto: Now playing: ")
                           << described << " [" << kLength << "s, scrobble after 50s]";
  check(has_line(now_playing.c_str()), Text("no line \"") << now_playing << "\" at the new track");
  check(track->info_ref_calls() > 0 && track->container().info_calls() > 0 &&
            track->file().reads() > 0,
        "the component read the new track without get_info_ref and info()");
  auto tick = [&](double seconds) {
    CALL_COMPONENT(
        "play_callback::on_playback_time",
        wanting(playback, player::play_callback::flag_time, "time")->on_playback_time(seconds));
  };
  tick(1.0);
  CALL_COMPONENT(
      "play_callback::on_playback_pause",
      wanting(playback, player::play_callback::flag_pause, "pause")->on_playback_pause(true));
  CALL_COMPONENT(
      "play_callback::on_playback_pause",
      wanting(playback, player::play_callback::flag_pause, "pause")->on_playback_pause(false));
  tick(2.0);
  tick(3.0);
  expect_line((Text("foo_brivanto: Sending now playing: ") << described).c_str());
  expect_line((Text("foo_brivanto: Now playing OK: ") << described).c_str(), 30);

  const size_t reads_before = track->info_ref_calls();
  CALL_COMPONENT("play_callback::on_playback_edited",
                 wanting(playback, player::play_callback::flag_edited, "edits")
                     ->on_playback_edited(player::metadb_handle::ptr(track)));
  check(track->info_ref_calls() > reads_before, "an edited track was not read again");
  CALL_COMPONENT("play_callback::on_playback_dynamic_info",
                 wanting(playback, player::play_callback::flag_dynamic_info, "dynamic info")
                     ->on_playback_dynamic_info(*stream));
  check(stream->reads() > 0, "the stream's information was not read");
  CALL_COMPONENT(
      "play_callback::on_playback_seek",
      wanting(playback, player::play_callback::flag_seek, "seeks")->on_playback_seek(48.0));
  tick(49.0);
  tick(50.0);
  expect_line((Text("foo_brivanto: Sending scrobble: ") << described_later).c_str());
  expect_line((Text("foo_brivanto: Scrobble OK: ") << described_later).c_str(), 30);
  // With the switch on, the scrobble was on disk before it was sent; accepted, it is not kept.
  Text journal;
  check(read_file(journal_file(), journal) && !journal.empty(),
        Text("a scrobble sent with the switch on left no journal at ") << journal_file());
  check(!has_line("Scrobble kept for later: "), "a scrobble that the service accepted was kept");
  CALL_COMPONENT("play_callback::on_playback_stop",
                 wanting(playback, player::play_callback::flag_stop, "stops")
                     ->on_playback_stop(player::play_callback::stop_reason_user));
  started_ = started;
  started_last_ = started_last;
  out("ok: new track (a metadb_handle by value, read through get_info_ref and info()), time, "
      "pause, edited, dynamic info, seek, stop; the notice and the scrobble sent and confirmed; "
      "the journal made at <profile>\\foo_brivanto\\journal.bin");
}

void Drive::start_track(HostTrack* track) {
  CALL_COMPONENT("play_callback::on_playback_new_track",
                 wanting(*playback_, player::play_callback::flag_new_track, "new tracks")
                     ->on_playback_new_track(player::metadb_handle::ptr(track)));
}

void Drive::play_seconds(int from, int to) {
  player::play_callback* callback = wanting(*playback_, player::play_callback::flag_time, "time");
  for (int second = from; second <= to; ++second) {
    CALL_COMPONENT("play_callback::on_playback_time", callback->on_playback_time(second));
  }
}

void Drive::stop_track() {
  CALL_COMPONENT("play_callback::on_playback_stop",
                 wanting(*playback_, player::play_callback::flag_stop, "stops")
                     ->on_playback_stop(player::play_callback::stop_reason_user));
}

void Drive::check_service_received() {
  out("== what the service received");
  Text body;
  Text error;
  if (!tunnel_.fetch_from_service(setup_.base_url, "/history.json", body, error)) {
    fatal(Text("cannot read the service's history through the tunnel: ") << error);
  }
  const struct {
    const char* list;
    const char* method;
    const char* album;
  } expected[] = {{"now_playing", "track.updateNowPlaying", kAlbum},
                  {"scrobbles", "track.scrobble", kStreamAlbum}};
  for (const auto& call : expected) {
    List<Text> entries;
    if (!check(json_array(body, call.list, entries) && entries.size() == 1,
               Text("the service holds ") << entries.size() << " entries under " << call.list
                                          << ", expected 1: " << body)) {
      continue;
    }
    Text params;
    Text session;
    json_member(entries[0], "params", params);
    json_string_member(entries[0], "session", session);
    check(session == session_key_, Text(call.list)
                                       << " arrived under another session than the stored key");
    const struct {
      const char* name;
      Text value;
    } fields[] = {{"method", call.method}, {"artist", kArtist},   {"track", kTitle},
                  {"album", call.album},   {"duration", kLength}, {"sk", session_key_}};
    for (const auto& field : fields) {
      Text value;
      check(json_string_member(params, field.name, value) && value == field.value,
            Text(call.list) << ": " << field.name << " arrived as \"" << value << "\", sent as \""
                            << field.value << "\"");
    }
    if (Text(call.list) == "scrobbles") {
      Text timestamp;
      json_string_member(params, "timestamp", timestamp);
      const int64_t stamp = parse_number(timestamp);
      check(stamp >= started_ && stamp <= started_last_, Text("the scrobble's timestamp is ")
                                                             << stamp - started_
                                                             << " s off the start of the track");
    }
  }
  out("ok: the service holds the notice and the scrobble, byte for byte as played, under the "
      "stored session key");
}

void Drive::quit_and_unload() {
  out("== quit and unload");
  auto* track = new HostTrack("metadb_handle (stopped)", "metadb_info_container (stopped)");
  fill(*track, kLastArtist, nullptr, kLastTitle, nullptr);
  Text reply;
  if (!tunnel_.command("POST", "/hold", reply)) {
    fatal(Text("the tunnel would not hold: ") << reply);
  }
  hang_kept_send();
  mark_lines();
  start_track(track);
  play_seconds(1, 3);
  expect_line(
      (Text("foo_brivanto: Sending now playing: ") << kLastArtist << " - " << kLastTitle).c_str());
  if (!tunnel_.command("GET", "/held?2", reply)) {
    fatal(Text("the notice's request and the kept scrobble's never hung in the tunnel together: ")
          << reply);
  }
  // A seek shows in what a stop then says the listener played.
  CALL_COMPONENT(
      "play_callback::on_playback_seek",
      wanting(*playback_, player::play_callback::flag_seek, "seeks")->on_playback_seek(20.0));
  CALL_COMPONENT("play_callback::on_playback_stop",
                 wanting(*playback_, player::play_callback::flag_stop, "stops")
                     ->on_playback_stop(player::play_callback::stop_reason_user));
  expect_line("foo_brivanto: Scrobble skipped on playback stopped: played 20s / need 50s", 0);

  api_->set_shutting_down(true);
  const DWORD quit_called = now_ms();
  CALL_COMPONENT("initquit::on_quit", initquit_->on_quit());
  const DWORD quit_took = now_ms() - quit_called;
  check(quit_took < 1000, Text("on_quit took ")
                              << quit_took << " ms while a kept scrobble's send hung; at most "
                              << "1000 ms");
  check(playback_->registered() == 0, "on_quit left the play callback registered");
  const size_t dropped = queue_->close_and_release();
  Text key;
  const Text configuration = get_config("at quit");
  check(stored_session_key(configuration, key) && key == session_key_,
        "the configuration saved at quit lost the session key");
  check(stored_keep_switch(configuration) == 1,
        "the configuration saved at quit lost the switch that keeps scrobbles");
  // The component's services go before the library that holds their code.
  version_.release();
  validator_.release();
  initquit_.release();
  page_.release();
  unload();
  out(Text("ok: on_quit returned in ")
      << quit_took << " ms with a notice's and a kept scrobble's requests hanging, and "
      << "unregistered the play callback; " << dropped
      << " callbacks still queued were released; FreeLibrary with requests in flight left the "
      << "library mapped, and it left the process once they ended");
}

// FreeLibrary while the requests still hang in the tunnel: the library stays until they end.
void Drive::unload() {
  Text reply;
  HANDLE unloaded = CreateEventW(nullptr, 1, 0, nullptr);
  UnloadWatch watch{module_, unloaded};
  void* cookie = nullptr;
  if (LdrRegisterDllNotification(0, on_unload, &watch, &cookie) != 0) {
    fatal("the loader takes no notification of unloads");
  }
  wchar_t* path = to_wide(setup_.component);
  FreeLibrary(module_);
  const bool still_mapped = GetModuleHandleW(path) != nullptr;
  check(still_mapped,
        "the library went at FreeLibrary although its request still hung: the request's "
        "thread held no reference to it");
  if (!tunnel_.command("POST", "/release", reply)) {
    fail(Text("the tunnel would not let the request go: ") << reply);
  }
  const bool gone =
      pump_until([&] { return WaitForSingleObject(unloaded, 0) == kWaitObject0; }, 30, unloaded);
  check(gone && GetModuleHandleW(path) == nullptr,
        "the library stayed in the process after its hanging request ended");
  delete[] path;
  LdrUnregisterDllNotification(cookie);
  // Discard empties the journal on a thread of its own. Every thread of the library has ended
  // now, so a Discard answered No that emptied it all the same has said so.
  size_t discards = 0;
  for (size_t i = 0; i < console_->line_count(); ++i) {
    discards += console_->line(i).starts_with("foo_brivanto: Journal: discarded ") ? 1 : 0;
  }
  check(discards == 1, Text("the journal was discarded ")
                           << discards << " times, once expected: Discard's No discarded too");
  CloseHandle(unloaded);
  Text journal;
  check(read_file(journal_file(), journal) && !journal.empty(),
        "the journal is gone after the quit, with a scrobble still waiting in it");
}

}  // namespace host
