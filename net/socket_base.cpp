#include "net/socket_base.h"

#include <algorithm>
#include <chrono>

namespace {

// Large enough for any block a BBS sends at once, small enough that a hostile size cannot
// exhaust memory.
constexpr int32_t MaxBufferSize = 1 << 20;

int32_t ClampSize(int32_t Size) { return std::clamp<int32_t>(Size, 1, MaxBufferSize); }

}  // namespace

TSocketBase::TSocketBase(int32_t ReadSize_, int32_t WriteSize_, int32_t ClientReadSize_, int32_t ClientWriteSize_)
    : ReadSize(ClampSize(ReadSize_)), WriteSize(ClampSize(WriteSize_)) {
  ReadBuffer.assign(static_cast<size_t>(ReadSize), 0);
  WriteBuffer.assign(static_cast<size_t>(WriteSize), 0);
  ClientReadSize = ClientReadSize_ == -1 ? ReadSize : ClampSize(ClientReadSize_);
  ClientWriteSize = ClientWriteSize_ == -1 ? WriteSize : ClampSize(ClientWriteSize_);
}

TSocketBase::~TSocketBase() = default;

bool TSocketBase::DataWaiting(int32_t TimeoutMs) {
  if (ReadPos < ReadCount) return true;
  return WaitForData(TimeoutMs, true) > 0;
}

uint8_t TSocketBase::ReadChar() {
  uint8_t Ch = 0;
  if (ReadBuf(&Ch, 1) != 1) return 0;
  return Ch;
}

void TSocketBase::BufWriteChar(uint8_t Ch) {
  WriteBuffer[static_cast<size_t>(WriteCount)] = Ch;
  ++WriteCount;
  if (WriteCount >= WriteSize) BufFlush();
}

void TSocketBase::BufWriteStr(std::string_view S) {
  for (char C : S) BufWriteChar(static_cast<uint8_t>(C));
}

void TSocketBase::BufFlush() {
  if (WriteCount < 1) return;
  WriteBuf(WriteBuffer.data(), WriteCount);
  WriteCount = 0;
}

void TSocketBase::PurgeInput(int32_t Hundredths) {
  ReadPos = 0;
  ReadCount = 0;
  if (Hundredths <= 0) return;
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t{Hundredths} * 10);
  uint8_t Junk[2048];
  while (Connected && std::chrono::steady_clock::now() < End && DataWaiting(1)) {
    ReadBuf(Junk, sizeof Junk);
    if (ReadCount <= 0) break;
  }
}

void TSocketBase::PurgeOutput() { WriteCount = 0; }

void TSocketBase::ReportStatus(int32_t Kind, const std::string& Text) {
  if (OnStatus) OnStatus(SocketID, *this, 3, Kind, Text);
}
