#pragma once
// A phone book in memory together with the file it is bound to: load with
// its checks and repairs, whole-book, header and single-entry saves, delete
// and insert. A refused or failed load leaves the previous book, header and
// binding in place, so later saves always go to the book being shown.

#include <array>
#include <span>
#include <string>

#include "config/config.h"
#include "phonebook/phonebook_prompts.h"
#include "phonebook/phonerec.h"
#include "support/files.h"

namespace lx {

// Writes a new book of 200 default entries (created or replaced).
bool CreatePhoneBook(const std::string& Path, const std::string& Title, const TConfigRec& Cfg,
                     const TWriteFn& Write = nullptr);
// Reads only the header of a book (for listing books by title).
bool ReadPhoneHeader(const std::string& Path, TPhoneHeader& H);

class TPhoneBookFile {
 public:
  TPhoneHeader Header;

  // Entries are numbered 1..200; numbers outside are held to that range.
  TPhoneRec& Entry(int N);
  const TPhoneRec& Entry(int N) const;

  // The file the book was loaded from; empty until a load succeeds.
  const std::string& FileName() const { return BoundName; }

  // Asks to create a book only when nothing exists at Path; a book that is
  // there but unreadable or too short is reported and left alone. Refuses a
  // version other than "1.00".
  bool LoadPhoneBook(const std::string& Path, const TConfigRec& Cfg, TPhoneBookPrompts& Prompts);
  // The checks and repairs of a load on a book's bytes, without a file: the
  // header must be whole, missing entry bytes read as zero. Binds nothing.
  bool DecodeBook(std::span<const uint8_t> Data, TPhoneBookPrompts& Prompts);
  // Replaces the bound file with the whole book.
  bool SavePhoneBook();
  // Rewrites only the 48-byte header in place.
  bool SavePhoneHeader();
  // Rewrites only entry N's 362 bytes in place, and the copy in memory.
  bool SavePhoneEntry(int N, const TPhoneRec& R);
  // Moves the entries after N down one place, clears entry 200, saves.
  bool DeleteEntry(int N);
  // Makes room at N using the first blank entry at or below it; false (and a
  // notice) when there is none. Nothing is saved: the caller's editor does.
  bool InsertEntry(int N, const TConfigRec& Cfg, TPhoneBookPrompts& Prompts);

  void SetWriteHook(TWriteFn Fn) { WriteHook = std::move(Fn); }
  void SetRetryPolicy(const TRetryPolicy& P) { Policy = P; }

 private:
  std::array<TPhoneRec, PhoneEntries> Entries{};
  std::string BoundName;
  TWriteFn WriteHook;
  TRetryPolicy Policy;
};

}  // namespace lx
