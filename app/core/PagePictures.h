#pragma once
// The information page's picture files (ImageFiles): the program's seven pictures written at
// start-up into its private picture folder (olv::PictureDir(): "Temp/" beside the scheme file's
// folder, $XDG_DATA_HOME/orascheme/Temp/ for an installed program), each named after its key and
// the file extension of its picture class ("imgTimer.gif"), plus the first frame of "imgTimer" as
// "imgTimer.bmp" under the key "imgTimerBmp". The files go again when the window does; the folder
// stays. Files are written atomically, so a page never shows half a file, but not flushed to disk:
// they are written again at every start.
//
// Main thread only.
#include <string>
#include <utility>
#include <vector>

namespace sch {

inline constexpr const char* kPictureKeys[] = {"imgScheme", "imgBkColor", "imgRedBall", "imgExit",
                                               "imgHide",   "imgTimer",   "imgRuning"};
inline constexpr const char* kTimerBitmapKey = "imgTimerBmp";

class PagePictures {
 public:
  // Writes the pictures into folder (created when missing). A picture that cannot be written is
  // left out (its tag gives an empty text); the reasons are returned.
  std::vector<std::string> Save(const std::string& folder);
  // The file of a key (compared without regard to case), or "" when there is none or it is gone.
  std::string File(const std::string& key) const;
  // key=file in the order written.
  const std::vector<std::pair<std::string, std::string>>& Files() const { return files_; }
  // Deletes the files written (only those: the folder may hold other copies' files).
  void DeleteFiles();

 private:
  std::vector<std::pair<std::string, std::string>> files_;
};

}  // namespace sch
