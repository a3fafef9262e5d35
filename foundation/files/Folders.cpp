#include "foundation/files/Folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "foundation/base/Exception.h"
#include "foundation/text/Format.h"
#include "foundation/files/ProgramGlobals.h"

namespace olv {
namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }

std::string WithSlash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

std::string WithoutSlash(std::string_view path) {
  std::string p = NativePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string RunningProgram() {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::string NativePath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

std::string GetProgramPath() {
  const std::string over = ProgramPathOverride();
  return over.empty() ? RunningProgram() : NativePath(over);
}

std::string GetProgramDir() {
  const std::string p = GetProgramPath();
  const std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

std::string GetProgramName() {
  const std::string p = GetProgramPath();
  std::string name = p.substr(p.rfind('/') == std::string::npos ? 0 : p.rfind('/') + 1);
  // Only a real extension goes: a Linux program usually has none, and cutting four characters
  // blindly would maim its name.
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

std::string GetProgramFile(std::string_view ext) { return ChangeExtension(GetProgramPath(), ext); }

std::string GetModuleFile() { return GetProgramPath(); }

std::string ChangeExtension(std::string_view path, std::string_view ext) {
  std::string p(path);
  std::size_t lastSep = std::string::npos;
  for (std::size_t i = 0; i < p.size(); ++i)
    if (IsSep(p[i])) lastSep = i;
  const std::size_t dot = p.rfind('.');
  if (dot != std::string::npos && (lastSep == std::string::npos || dot > lastSep)) {
    p.erase(dot + 1);
    p += ext;
  } else {
    p += '.';
    p += ext;
  }
  return p;
}

std::string GetTempDir() {
  const char* t = std::getenv("TMPDIR");
  if (t && *t && DirExists(t)) return WithSlash(NativePath(t));
  return "/tmp/";
}

std::string GetWindowsDir() { return "/"; }
std::string GetSystemDir() { return "/usr/lib/"; }
std::string GetWindowsDisk() { return ""; }
std::string GetProgramFilesDir() { return "/opt/"; }
std::string GetCommonFilesDir() { return "/usr/share/"; }

std::string GetWinUser() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd pw{};
  passwd* result = nullptr;
  while (::getpwuid_r(::geteuid(), &pw, buf.data(), buf.size(), &result) == ERANGE && buf.size() < (1u << 20))
    buf.resize(buf.size() * 2);
  return result && result->pw_name ? std::string(result->pw_name) : std::string();
}

std::string GetComputerNameStr() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

std::string GetAppUser() { return AppUserName(); }

std::string MakeTempFile(std::string_view prefix) {
  std::string pre(prefix);
  for (char& c : pre)
    if (IsSep(c)) c = '_';
  std::string name = GetTempDir() + pre + "XXXXXX";
  const int fd = ::mkstemp(name.data());
  if (fd < 0) RaiseFileError("Cannot create a temporary file " + name);
  ::close(fd);
  return name;
}

bool DirExists(std::string_view path) {
  if (path.empty()) return false;
  struct stat st{};
  return ::stat(WithoutSlash(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirs(std::string_view path) {
  const std::string p = WithoutSlash(path);
  if (p.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(p, ec);
  return DirExists(p);
}

std::int64_t CopyFileData(std::string_view source, std::string_view dest) {
  const std::string src = NativePath(source), dst = NativePath(dest);
  Fd in{::open(src.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) RaiseFileError("Cannot open file " + src);
  Fd out{::open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
  if (out.fd < 0) RaiseFileError("Cannot create file " + dst);
  std::vector<char> buf(64 * 1024);
  std::int64_t total = 0;
  for (;;) {
    const ssize_t n = ::read(in.fd, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseFileError("Cannot read file " + src);
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out.fd, buf.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        RaiseFileError("Cannot write file " + dst);
      }
      done += w;
    }
    total += n;
  }
  return total;
}

void RaiseFileError(std::string_view text) { RaiseFileError(text, errno); }

void RaiseFileError(std::string_view text, int error) {
  char buf[256];
  const char* msg = ::strerror_r(error, buf, sizeof buf);  // GNU form: returns the message
  throw Exception(std::string(text) + Format("\r\n[%d]%s", {error, msg}));
}

}  // namespace olv
