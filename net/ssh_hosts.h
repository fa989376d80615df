// The file of trusted SSH host keys, in the known-hosts format of OpenSSH: one key a line,
// "host-names key-type base64-key [comment]". The first key seen for a host is recorded;
// later calls must present the same key, or the user accepts the new one in its place.
// Every change rewrites the whole file atomically: a failed write leaves the old file.
#pragma once

#include <cstdint>
#include <string>

inline constexpr const char* HostsFileName = "lanternyx.hosts";

// The name a host's keys are filed under: "host" on port 22, "[host]:port" elsewhere.
std::string KnownHostName(const std::string& Host, uint16_t Port);

enum class THostKeyMatch {
  Unknown,  // no key recorded for the host (or no file yet)
  Match,    // the key presented is one recorded for the host
  Changed,  // keys are recorded for the host, but not this one
  Unreadable,  // the file exists but cannot be read: nothing can be trusted
};

struct THostKeyLookup {
  THostKeyMatch Result = THostKeyMatch::Unknown;
  // With Changed: the 1-based line of the recorded key to remove if the change is expected
  // (the key of the same type when there is one, else the host's first line).
  int Line = 0;
  // With Changed: the key recorded on that line.
  std::string KeyType, KeyBase64;
};

// Looks Name (as made by KnownHostName) up with the key presented. Hashed host names,
// patterns and marker lines are not ours and are passed over.
THostKeyLookup LookupHostKey(const std::string& File, const std::string& Name, const std::string& KeyType,
                             const std::string& KeyBase64);

// Appends "Name KeyType KeyBase64" as a line, creating the file when needed. False when it
// cannot be written or a field holds a blank, a comma, '#' or a line break.
bool RecordHostKey(const std::string& File, const std::string& Name, const std::string& KeyType,
                   const std::string& KeyBase64);

// Puts a new key in place of the old one on the 1-based Line (as LookupHostKey found it): the
// line keeps its host names and ending, loses its comment; every other byte stays. False
// when the line no longer holds the old key or the file cannot be rewritten.
bool ReplaceHostKey(const std::string& File, int Line, const std::string& OldType, const std::string& OldBase64,
                    const std::string& NewType, const std::string& NewBase64);
