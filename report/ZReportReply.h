// The statistics service's answer to a report packet: a 7-byte header (reply
// length, version 3, CRC-32 of the rest) and an INI text in the system ANSI
// code page whose section "common" says result=1 when the report was taken.
#pragma once

#include <cstddef>
#include <string>

// The smallest reply that can be valid: the header and nothing else is refused.
constexpr size_t kReplyHeaderSize = 7;

// 0 when body is a well-formed reply that accepts the report, else -1. When
// the header is valid, *text receives the reply text (the bytes after the
// header up to the first zero byte, converted to UTF-16), accepted or not;
// otherwise *text is left as it was.
int CheckReportReply(const std::string& body, std::u16string* text);
