#include "foundation/files/DirTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "foundation/files/Folders.h"
#include "foundation/text/Wildcard.h"

namespace olv {

namespace {

bool IsAllMask(const std::string& mask) { return mask == "*" || mask == "*.*"; }

int WalkCode(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return kWalkPathNotFound;  // ELOOP: the folder is a link, which we do not enter
    case EACCES:
    case EPERM: return kWalkAccessDenied;
    default: return err;
  }
}

struct Found {
  TSearchRec rec;
  bool realDir = false;
};

std::uint8_t AttributesOf(const std::string& name, const struct stat& st) {
  std::uint8_t a = 0;
  if (S_ISDIR(st.st_mode))
    a = faDirectory;
  else if (S_ISLNK(st.st_mode))
    a = faArchive | faSymLink;
  else if (S_ISREG(st.st_mode))
    a = faArchive;
  else
    a = faSysFile;
  if (!S_ISLNK(st.st_mode) && !(st.st_mode & S_IWUSR)) a |= faReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") a |= faHidden;
  return a;
}

// Every entry of the open folder, sorted by name so that walks are repeatable.
std::vector<Found> ListFolder(int dirFd, int& error) {
  std::vector<Found> found;
  int fd = ::dup(dirFd);
  if (fd < 0) {
    error = errno;
    return found;
  }
  DIR* d = ::fdopendir(fd);
  if (!d) {
    error = errno;
    ::close(fd);
    return found;
  }
  ::rewinddir(d);
  while (dirent* e = ::readdir(d)) {
    Found f;
    f.rec.Name = e->d_name;
    struct stat st {};
    if (::fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    f.rec.Attr = AttributesOf(f.rec.Name, st);
    f.rec.Size = st.st_size;
    f.rec.Time = st.st_mtim.tv_sec;
    f.rec.DirFd = dirFd;
    f.realDir = S_ISDIR(st.st_mode);
    found.push_back(std::move(f));
  }
  ::closedir(d);
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.rec.Name < b.rec.Name; });
  return found;
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  return IsAllMask(mask) || MatchWildcard(name, mask, true);
}

void TDirTree::NextSpec() {
  std::string entry;
  std::size_t comma = Spec.find(',');
  if (comma == std::string::npos) {
    entry = Spec;
    Spec.clear();
  } else {
    entry = Spec.substr(0, comma);
    Spec.erase(0, comma + 1);
  }
  // A "\" written as in the original's specs separates folders too, as everywhere in the library.
  entry = NativePath(entry);
  // The switch counts only at the very end: "/srv/data/" is a folder, not "/S" + "rv/data/".
  Recursive = entry.size() >= 2 && entry[entry.size() - 2] == '/' &&
              (entry.back() == 'S' || entry.back() == 's');
  if (Recursive) entry.resize(entry.size() - 2);
  if (entry.empty()) {  // nothing named: never the current folder by default
    Path.clear();
    Mask.clear();
    return;
  }
  if (entry[0] != '/') {
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    entry = (cwd == "/" ? "" : cwd) + "/" + entry;
  }
  std::size_t slash = entry.rfind('/');
  Mask = entry.substr(slash + 1);
  if (Mask.empty()) Mask = "*.*";
  Path = entry.substr(0, slash + 1);
}

void TDirTree::Execute() {
  if (Status != 0) return;
  if (Path.empty()) {
    Status = kWalkPathNotFound;
    return;
  }
  std::string folder = Path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  // The named folder itself must not be a link either (O_NOFOLLOW on its last part).
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    Status = WalkCode(errno);
    return;
  }
  Walk(fd);
  ::close(fd);
}

void TDirTree::Walk(int dirFd) {
  if (Status != 0) return;
  int error = 0;
  std::vector<Found> entries = ListFolder(dirFd, error);
  if (error != 0) {
    Status = WalkCode(error);
    return;
  }

  std::vector<std::string> subfolders;
  if (Recursive)
    for (const auto& f : entries)
      if (f.realDir && f.rec.Name[0] != '.') subfolders.push_back(f.rec.Name);

  const std::uint8_t excluded = static_cast<std::uint8_t>((faHidden | faSysFile | faVolumeID | faDirectory) & ~Attr);
  bool any = false;
  for (const auto& f : entries) {
    if (f.rec.Attr & excluded) continue;
    if (!MatchesMask(f.rec.Name, Mask)) continue;
    if (!(f.rec.Attr & Attr) && f.rec.Attr != 0) continue;
    any = true;
    const Handler& h = (f.rec.Attr & faDirectory) ? OnDir : OnFile;
    if (h) Status = h(Path, f.rec);
    if (Status != 0) break;
  }
  if (Status == 0) Status = any ? kWalkNoMoreFiles : kWalkFileNotFound;
  if (Recursive && (Status == kWalkFileNotFound || Status == kWalkNoMoreFiles)) Status = 0;

  const std::string saved = Path;
  for (const auto& name : subfolders) {
    if (Status != 0) break;
    int sub = ::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) {
      if (errno == ENOENT) continue;  // removed meanwhile
      Status = WalkCode(errno);       // ELOOP: replaced by a link since it was listed
      break;
    }
    Path = saved + name + "/";
    Walk(sub);
    ::close(sub);
    Path = saved;
  }
}

TDelTree::TDelTree(const std::string& spec) {
  // Names are kept as written: folders on this system are case-sensitive.
  Spec = spec;
  Attr = faArchive | faDirectory | faSysFile | faHidden | faReadOnly;
  OnFile = [this](const std::string& p, const TSearchRec& e) { return DeleteFileEntry(p, e); };
  OnDir = [this](const std::string& p, const TSearchRec& e) { return NoteDir(p, e); };
}

int TDelTree::DeleteFileEntry(const std::string&, const TSearchRec& entry) {
  // Permissions need no reset first (removal is a right of the folder), and changing them
  // through a link would change what it points to.
  if (!(entry.Attr & (faDirectory | faVolumeID))) ::unlinkat(entry.DirFd, entry.Name.c_str(), 0);
  return 0;
}

int TDelTree::NoteDir(const std::string& path, const TSearchRec& entry) {
  if (!entry.Name.empty() && entry.Name[0] != '.') Dirs.push_back(path + entry.Name);
  return 0;
}

void TDelTree::Run() {
  Dirs.clear();
  while (!Spec.empty()) {
    NextSpec();
    if (Path.empty()) continue;
    // Each entry is walked on its own: a plain entry (which always ends with a status) must not
    // silently stop the entries after it.
    Status = 0;
    const std::size_t first = Dirs.size();
    // The entry's own folder goes only when every file in it is meant, never for a narrower mask.
    if (IsAllMask(Mask)) {
      std::string folder = Path;
      while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      Dirs.push_back(folder);
    }
    Execute();
    if (Status != 0) {
      Dirs.resize(first);
      continue;
    }
    while (Dirs.size() > first) {
      if (::rmdir(Dirs.back().c_str()) != 0) {
        int e = errno;
        throw EInOutError("Cannot remove folder \"" + Dirs.back() + "\": " + std::strerror(e), e);
      }
      Dirs.pop_back();
    }
  }
}

bool DelTree(const std::string& spec) {
  TDelTree t(spec);
  t.Run();
  return true;
}

}  // namespace olv
