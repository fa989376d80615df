// The upload queue: up to 200 files waiting to be sent in one batch. The queue editor,
// logon scripts and files dropped on the window add to it; the upload screen hands its
// paths to the Zmodem engine and may clear it afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TQueueEntry {
  std::string Path;         // directory, ending in "/" (empty: the name is the whole path)
  std::string FileName;
  std::string Description;  // shown by the queue editor; the file name when none was given
  int64_t Size = 0;         // when added; 0 when the file was missing
  uint8_t Status = 0;       // 0 found, 5 missing when added

  std::string FullPath() const;
};

class TProtocolQueue {
 public:
  static constexpr int MaxEntries = 200;

  // Adds Path + FileName (the name trimmed of spaces and NULs). Refused (false) when the
  // queue is full, the name is empty, or the path names something other than a regular file
  // (a directory, FIFO or device is never opened). A missing file is refused with MustExist,
  // else queued with Status 5 and size 0.
  bool Add(bool MustExist, const std::string& Path, const std::string& FileName,
           const std::string& Description = {});
  // Index is 1-based; the highlight (Current) stays on the same entry, or on the one that
  // took the deleted entry's place.
  void Delete(int Index);
  void Clear();
  // 1-based index of the entry for this path, 0 when not queued.
  int IndexOf(const std::string& FullPath) const;
  bool Contains(const std::string& FullPath) const { return IndexOf(FullPath) != 0; }

  int Count() const { return static_cast<int>(Entries.size()); }
  const TQueueEntry& Entry(int Index) const { return Entries.at(static_cast<size_t>(Index - 1)); }
  // The full paths in queue order: the list an upload sends.
  std::vector<std::string> FileList() const;

  int64_t TotalSize = 0;  // saturates
  int Current = 0;        // 1-based entry under the editor's highlight, 0 = none

 private:
  std::vector<TQueueEntry> Entries;
};
