#include "network.h"

namespace host {
namespace {

const wchar_t kAuthorityName[] = L"foo_brivanto conformance test authority";

// The registry store itself rather than the system store that collects it with others: Wine
// keeps a deletion from the collection in memory only, and an authority of an earlier run with
// the same name would then stay and spoil the chain.
HCERTSTORE open_root_store() {
  return CertOpenStore(kStoreProviderSystemRegistry, 0, 0, kSystemStoreCurrentUser, L"Root");
}

void remove_authorities(HCERTSTORE store) {
  PCCERT_CONTEXT found = nullptr;
  while ((found = CertFindCertificateInStore(store, kX509Encoding, 0, kFindSubjectString,
                                             kAuthorityName, nullptr)) != nullptr) {
    CertDeleteCertificateFromStore(found);  // frees `found`
  }
}

// One exchange over WinHTTP; `proxy` empty: direct.
bool exchange(const Text& proxy, const wchar_t* host, WORD port, bool secure, const wchar_t* verb,
              const Text& path, DWORD& status, Text& body, Text& error) {
  wchar_t* wide_proxy = proxy.empty() ? nullptr : to_wide(proxy);
  HINTERNET session =
      WinHttpOpen(L"foo_brivanto conformance host",
                  proxy.empty() ? kWinHttpNoProxy : kWinHttpNamedProxy, wide_proxy, nullptr, 0);
  delete[] wide_proxy;
  wchar_t* wide_path = to_wide(path);
  HINTERNET connection = session != nullptr ? WinHttpConnect(session, host, port, 0) : nullptr;
  HINTERNET request = connection != nullptr
                          ? WinHttpOpenRequest(connection, verb, wide_path, nullptr, nullptr,
                                               nullptr, secure ? kWinHttpFlagSecure : 0)
                          : nullptr;
  delete[] wide_path;
  bool ok = request != nullptr;
  // The tunnel answers "held" within its own 30 s; everything else at once.
  ok = ok && WinHttpSetTimeouts(request, 10000, 10000, 10000, 40000) != 0;
  ok = ok && WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) != 0;
  ok = ok && WinHttpReceiveResponse(request, nullptr) != 0;
  DWORD size = sizeof(status);
  ok = ok && WinHttpQueryHeaders(request, kWinHttpQueryStatusNumber, nullptr, &status, &size,
                                 nullptr) != 0;
  body = Text();
  char buffer[2048];  // under a page: a bigger frame would need the C runtime's stack probe
  DWORD read = 0;
  while (ok && (ok = WinHttpReadData(request, buffer, sizeof(buffer), &read) != 0) && read > 0) {
    body.append(buffer, read);
  }
  if (!ok) {
    error = Text("WinHTTP error ") << GetLastError();
  }
  const HINTERNET handles[] = {request, connection, session};
  for (HINTERNET handle : handles) {
    if (handle != nullptr) {
      WinHttpCloseHandle(handle);
    }
  }
  return ok;
}

}  // namespace

bool trust_test_authority(const Text& der_path, Text& error) {
  Text certificate;
  if (!read_file(der_path, certificate) || certificate.empty()) {
    error = Text("cannot read ") << der_path;
    return false;
  }
  HCERTSTORE store = open_root_store();
  if (store == nullptr) {
    error = Text("cannot open the root store: error ") << GetLastError();
    return false;
  }
  remove_authorities(store);
  const bool added =
      CertAddEncodedCertificateToStore(
          store, kX509Encoding, reinterpret_cast<const BYTE*>(certificate.c_str()),
          static_cast<DWORD>(certificate.size()), kStoreAddReplaceExisting, nullptr) != 0;
  if (!added) {
    error = Text("cannot add the authority to the root store: error ") << GetLastError();
  }
  CertCloseStore(store, 0);
  return added;
}

void distrust_test_authority() {
  HCERTSTORE store = open_root_store();
  if (store != nullptr) {
    remove_authorities(store);
    CertCloseStore(store, 0);
  }
}

Tunnel::Tunnel(const Text& url) {
  const char prefix[] = "http://";
  if (!url.starts_with(prefix)) {
    return;
  }
  address_ = url.substr(sizeof(prefix) - 1);
  while (!address_.empty() &&
         (address_[address_.size() - 1] == '\n' || address_[address_.size() - 1] == '\r' ||
          address_[address_.size() - 1] == '/')) {
    address_.truncate(address_.size() - 1);
  }
  const size_t colon = address_.find(":");
  if (colon == Text::kNone) {
    return;
  }
  unsigned port = 0;
  for (size_t i = colon + 1; i < address_.size(); ++i) {
    port = port * 10 + static_cast<unsigned>(address_[i] - '0');
  }
  port_ = static_cast<WORD>(port);
}

bool Tunnel::command(const char* verb, const char* path, Text& reply) const {
  DWORD status = 0;
  Text error;
  wchar_t* wide_verb = to_wide(verb);
  const bool ok =
      exchange(Text(), L"127.0.0.1", port_, false, wide_verb, path, status, reply, error);
  delete[] wide_verb;
  if (!ok) {
    reply = error;
  }
  return ok && status == 200;
}

bool Tunnel::fetch_from_service(const Text& base_url, const char* path, Text& body, Text& error) {
  // https://HOST[:PORT], as the component's requests go.
  Text host = base_url.substr(base_url.find("//") + 2);
  WORD port = 443;
  const size_t colon = host.find(":");
  if (colon != Text::kNone) {
    port = 0;
    for (size_t i = colon + 1; i < host.size(); ++i) {
      port = static_cast<WORD>(port * 10 + (host[i] - '0'));
    }
    host.truncate(colon);
  }
  wchar_t* wide_host = to_wide(host);
  DWORD status = 0;
  const bool ok = exchange(address_, wide_host, port, true, L"GET", path, status, body, error);
  delete[] wide_host;
  if (!ok) {
    return false;
  }
  if (status != 200) {
    error = Text("HTTP status ") << status;
    return false;
  }
  return true;
}

Text default_proxy() {
  ProxyInfo info{};
  if (WinHttpGetDefaultProxyConfiguration(&info) == 0) {
    return {};
  }
  Text proxy = info.access_type == kWinHttpNamedProxy && info.proxy != nullptr
                   ? from_wide(info.proxy)
                   : Text();
  GlobalFree(info.proxy);
  GlobalFree(info.bypass);
  return proxy;
}

}  // namespace host
