#pragma once
// Copying systems from other terminals' phone books into free entries of the
// open book, and the screen that asks which kind and which file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/config.h"
#include "console/console.h"
#include "phonebook/phonebook_file.h"
#include "ui/ui_settings.h"

namespace lx {

// A Kivatel phone book is a run of 197-byte records; the parts we read are
// length-prefixed strings, each given a fixed slot in the record.
namespace KivatelOfs {
constexpr std::size_t RecSize = 197;
constexpr std::size_t Name = 0, Address = 61, Password = 135, UserName = 166;
constexpr std::size_t NameLen = 60, AddressLen = 73, PasswordLen = 30, UserNameLen = 30;
}  // namespace KivatelOfs
// More cannot be imported into a book of 200 entries anyway.
constexpr int KivatelMaxRecords = 200;

// A SyncTerm list is read whole into memory up to this size; its lines are
// looked at up to SyncTermMaxLine bytes (a longer line is cut and its value
// refused, never read as something shorter).
constexpr std::size_t SyncTermMaxFile = 4 * 1024 * 1024;
constexpr std::size_t SyncTermMaxLine = 1024;

// Why a system of the other book was not imported.
enum class TSkipReason : uint8_t {
  ConnectionType,  // not telnet, rlogin or SSH as we speak them
  NoAddress,
  PortInAddress,   // "host:port" as the address: the list gives the port apart
  BadPort,
  AddressTooLong,
  UserNameTooLong,
  PasswordTooLong,
  Count
};

enum class TImportStatus : uint8_t {
  Done,
  CannotOpen,  // missing or not allowed
  NotAFile,    // a directory, fifo or device
  ReadError,
  TooLarge,
};

struct TImportResult {
  TImportStatus Status = TImportStatus::Done;
  int Imported = 0;
  int NotFitted = 0;  // valid systems that found no free entry
  int Unread = 0;     // Kivatel records past the first 200, not read
  std::array<int, static_cast<std::size_t>(TSkipReason::Count)> Skipped{};
  std::vector<std::string> SkippedTypes;  // the connection types refused, each once

  int SkippedTotal() const;
  int& Skips(TSkipReason R) { return Skipped[static_cast<std::size_t>(R)]; }
  int Skips(TSkipReason R) const { return Skipped[static_cast<std::size_t>(R)]; }
};

// Fill free entries of Book (blank ones, from entry 1 up) with the systems of
// a Kivatel file or a SyncTerm list given as bytes. Nothing is saved.
TImportResult ImportKivatelData(std::span<const uint8_t> Data, TPhoneBookFile& Book, const TConfigRec& Cfg);
TImportResult ImportSyncTermData(std::string_view Text, TPhoneBookFile& Book, const TConfigRec& Cfg);
// The same from a file, opened read-only; only regular files are read.
TImportResult ImportKivatel(const std::string& Path, TPhoneBookFile& Book, const TConfigRec& Cfg);
TImportResult ImportSyncTerm(const std::string& Path, TPhoneBookFile& Book, const TConfigRec& Cfg);

// The lines of the closing box: what was imported, skipped and left out.
std::vector<std::string> ImportSummary(const TImportResult& R);

// Where SyncTerm keeps its list on this machine when it is there (under
// Home), else "SyncTerm.lst".
std::string DefaultSyncTermList(const std::string& Home);

// ALT+I in the dialing directory: asks for the import type and the file,
// imports into Book, saves it and reports what happened. The caller redraws.
void ImportPhoneBook(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book,
                     const TConfigRec& Cfg);

}  // namespace lx
