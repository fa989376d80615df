#include "app/file_drop.h"

#include "app/context.h"
#include "support/files.h"

void TDropInbox::Push(const std::string& Path) {
  std::lock_guard Lock(Mutex);
  if (On && Paths.size() < MaxPending) Paths.push_back(Path);
}

std::vector<std::string> TDropInbox::Take() {
  std::lock_guard Lock(Mutex);
  std::vector<std::string> Out;
  Out.swap(Paths);
  return Out;
}

void TDropInbox::SetAccepting(bool Accept) {
  std::lock_guard Lock(Mutex);
  On = Accept;
}

bool TDropInbox::Accepting() const {
  std::lock_guard Lock(Mutex);
  return On;
}

int TakeDroppedFiles(TAppContext& App) {
  int Added = 0;
  for (const std::string& Path : App.Drops.Take()) {
    if (Path.empty() || Path.back() == '/') continue;
    const std::string Dir = lx::JustPath(Path);
    const std::string Name = lx::JustFileName(Path);
    if (App.UploadQueue.Contains(Dir + Name)) continue;
    // The queue refuses directories, devices and missing files.
    if (App.UploadQueue.Add(true, Dir, Name)) ++Added;
  }
  return Added;
}

void InstallDropHandler(TAppContext& App) {
  if (!App.Console) return;
  TDropInbox* Inbox = &App.Drops;
  App.Console->OnFileDrop = [Inbox](const std::string& Path) { Inbox->Push(Path); };
}
