// Running an HTTP server of the library on loopback, shared by the service and its outage
// control.
#pragma once

#include <string>
#include <thread>

namespace httplib {
class Server;
}  // namespace httplib

namespace brivanto_service {

// Binds `server` to 127.0.0.1 `port` (0: a free one) and runs its accept loop on `thread`;
// returns the port once connections are accepted, or 0 with an English text in `error`. Sets
// SO_REUSEADDR alone: the library's default also sets SO_REUSEPORT, which lets a second server
// bind a port in use and share its connections, where a taken port must be an error.
int serve_on_loopback(httplib::Server& server, int port, std::thread& thread, std::string& error);

// Stops the accept loop and waits for the serving threads; nothing if it never ran.
void stop_serving(httplib::Server& server, std::thread& thread);

}  // namespace brivanto_service
