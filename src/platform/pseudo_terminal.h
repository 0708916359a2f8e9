// A terminal line for the tools and tests: either a new pseudo-terminal (this object holds its
// master side and a client opens the slave path as it would open a serial port), or an
// existing terminal device (a serial port, or the slave side of somebody's pseudo-terminal).
// Bytes pass untouched in both directions: the line is raw (no echo, no signals, no CR/LF
// translation, no software flow control). Nothing here throws; failures are results and the
// reason is kept in LastError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vdinv::platform {

enum class LineRead {
  kData,     // at least one byte was appended
  kTimeout,  // nothing arrived within the time-out
  kClosed,   // the line is closed or gone (the other side hung up, the device was removed)
};

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a new pseudo-terminal and sets its slave side raw. The slave side is kept open here
  // as well, so the line keeps its raw settings and stays usable while no client has it open.
  // A non-empty linkPath also creates a symbolic link there to the slave path (SetLink).
  bool Open(const std::string& linkPath = {});
  // Opens an existing terminal device read-write, non-blocking, raw, 8 data bits, no parity,
  // one stop bit; a baud rate of a standard speed sets the line's speed, 0 leaves it.
  bool OpenDevice(const std::string& path, uint32_t baud = 0);
  // Points a symbolic link at Path(), replacing an existing symbolic link there atomically.
  // Anything else at linkPath (a file, a directory) is left alone and the call fails.
  bool SetLink(const std::string& linkPath);

  bool IsOpen() const { return fd_ >= 0; }
  // The path a client opens: the slave of the pseudo-terminal, or the device opened.
  const std::string& Path() const { return path_; }
  // The symbolic link made by Open or SetLink, or empty.
  const std::string& LinkPath() const { return link_; }
  const std::string& LastError() const { return error_; }

  // Waits up to timeoutMs for input and appends what is there (at most max bytes) to out.
  LineRead Read(std::string& out, uint32_t timeoutMs, size_t max = 4096);
  // Writes every byte, waiting at most timeoutMs in all for room in the line's buffer; false
  // when not every byte went out.
  bool Write(std::string_view bytes, uint32_t timeoutMs = 1000);
  // Throws away input that arrived but was not read yet.
  void DiscardInput();
  // Fills the line towards this side from the client's side (the slave side held here) as far
  // as its buffer takes bytes, as a far end that stopped reading leaves it: a client's writes
  // then find no room until this side reads or the client purges its output. Only for a
  // pseudo-terminal; false otherwise.
  bool FillInbound();
  // Closes the line. The symbolic link is removed when it still points at Path(). Closing the
  // master side of a pseudo-terminal removes its slave path; a client still holding the slave
  // sees the line hang up.
  void Close();

 private:
  bool Fail(const std::string& what);

  int fd_ = -1;
  int slaveFd_ = -1;
  std::string path_;
  std::string link_;
  std::string error_;
};

}  // namespace vdinv::platform
