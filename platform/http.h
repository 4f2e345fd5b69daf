// The HTTP adapter: one binary POST and its reply body (libcurl here, WinHTTP
// on Windows). The one place that includes the HTTP library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// POSTs length bytes to url with the headers "Content-Type:
// application/octet-stream" and "User-Agent: Mozilla/4.0", no other option
// (no proxy, TLS, cookie, redirect or authentication setting), within
// connect_timeout_s to connect and total_timeout_s for the whole transfer.
// The reply body is appended to *reply. The result is the HTTP status of the
// response, or 0 when none was obtained (no connection, a time-out ...).
//
// On the simulated host a machine may route a host name to a loopback
// address and port ("simhost route"); the post then goes there instead.
long HttpPostBinary(const std::u16string& url, const uint8_t* bytes, size_t length,
                    long connect_timeout_s, long total_timeout_s, std::string* reply);
