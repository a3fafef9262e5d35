#pragma once
// The directory walker (TDirTree) and the deleter built on it (TDelTree, DelTree).
//
// A spec is a list of entries separated by ","; an entry is a folder with a trailing "/" and an
// optional file-name mask ("*" and "?" wildcards, case-sensitive), followed by "/S" (or "/s") at
// its very end to walk subfolders too: "/srv/app/Temp/", "/srv/app/*.tmp/S". A "/s" anywhere else
// is part of the path; "\" counts as "/". The walk never enters a symbolic link: links are
// reported as files and deleting one removes the link, not what it points to; a folder named by
// an entry must not be a link itself. Subfolders whose names begin with "." are neither walked
// into nor removed.
//
// A walker belongs to one thread; handlers run on it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/base/Exception.h"

namespace olv {

// Attributes of an entry, as the original reported them.
constexpr std::uint8_t faReadOnly = 0x01;  // no write permission for the owner
constexpr std::uint8_t faHidden = 0x02;    // name beginning with "."
constexpr std::uint8_t faSysFile = 0x04;   // neither a file, a folder nor a link (fifo, socket, device)
constexpr std::uint8_t faVolumeID = 0x08;
constexpr std::uint8_t faDirectory = 0x10;
constexpr std::uint8_t faArchive = 0x20;   // a file or a link
constexpr std::uint8_t faSymLink = 0x40;   // a link (reported as a file, never followed)

// One directory entry.
struct TSearchRec {
  std::string Name;
  std::uint8_t Attr = 0;
  std::int64_t Size = 0;
  std::int64_t Time = 0;  // modification time, seconds since 1970
  int DirFd = -1;         // the open folder holding the entry, valid during the handler call
};

// Status codes of a walk.
constexpr int kWalkFileNotFound = 2;  // nothing matched
constexpr int kWalkPathNotFound = 3;  // the folder is missing, not a folder, or a link
constexpr int kWalkAccessDenied = 5;
constexpr int kWalkNoMoreFiles = 18;  // every match was handled

// Raised when DelTree cannot remove a folder.
class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message, int code) : Exception(message), ErrorCode(code) {}
  int ErrorCode;
};

// True when name matches the mask ("*" any run, "?" one character; "*.*" matches everything).
bool MatchesMask(const std::string& name, const std::string& mask);

class TDirTree {
 public:
  // A result other than 0 stops the walk and becomes Status.
  using Handler = std::function<int(const std::string& path, const TSearchRec& entry)>;

  virtual ~TDirTree() = default;

  std::string Spec = "*.*";  // entries still to walk
  std::string Path;          // folder being walked, with a trailing "/"
  std::string Mask;          // pattern within it
  Handler OnFile;            // every matching file (links included)
  Handler OnDir;             // every matching folder entry, "." and ".." included
  std::uint8_t Attr = faArchive | faDirectory | faReadOnly;
  bool Recursive = true;
  int Status = 0;  // 0 while the walk goes on; else a code above or the handler's result

  // Takes the first entry of Spec into Path, Mask and Recursive. An empty entry leaves Path empty.
  void NextSpec();
  // Walks Path: collects its subfolders (when Recursive), reports the entries matching Mask, then
  // walks each subfolder. Nothing happens while Status is not 0. Without Recursive the walk ends
  // with a Status other than 0.
  virtual void Execute();

 private:
  void Walk(int dirFd);
};

class TDelTree : public TDirTree {
 public:
  explicit TDelTree(const std::string& spec);
  // Deletes the files that each entry of Spec names; with "/S" also their subfolders' files, then
  // removes the entry's folders, deepest first, and its own folder when its mask takes every
  // file. Raises EInOutError for the first folder that cannot be removed; files that cannot be
  // deleted are passed over (their folder then cannot be removed).
  void Run();

  std::vector<std::string> Dirs;  // folders of the entry being deleted, parents first

 private:
  int DeleteFileEntry(const std::string& path, const TSearchRec& entry);
  int NoteDir(const std::string& path, const TSearchRec& entry);
};

// Runs a TDelTree over spec; true, or EInOutError.
bool DelTree(const std::string& spec);

}  // namespace olv
