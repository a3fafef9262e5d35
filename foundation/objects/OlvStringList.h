#pragma once
// String lists whose lines may carry a persistent object. TStringList leaves its objects to
// their owner unless told to own them; OlvStringList always owns them and frees them with itself
// (and when a line's object is replaced or its line deleted). A list that owns its objects never
// shares one: appending or assigning from another list gives it clones. One thread at a time.
//
// Lines may be name=value pairs: Names, Values and SetValue look the name up without regard to
// ASCII case, as settings and parameters are named.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/objects/OlvClass.h"

namespace olv {

class TStringList : public TObject {
 public:
  explicit TStringList(bool ownsObjects = false) : ownsObjects_(ownsObjects) { Changed(); }
  ~TStringList() override;

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }

  int Count() const { return static_cast<int>(items_.size()); }
  // Empty / null for an index outside the list.
  const std::string& Strings(int index) const;
  TBaseObject* Objects(int index) const;
  int Add(std::string text) { return AddObject(std::move(text), nullptr); }
  // Takes the object when the list owns its objects.
  int AddObject(std::string text, TBaseObject* obj);
  void Put(int index, std::string text);
  // Replaces the line's object; an owned old object is freed. Index outside: does nothing
  // (an owned obj is then freed, so ownership always passes).
  void PutObject(int index, TBaseObject* obj);
  // Detaches the line's object without freeing it.
  TBaseObject* ExtractObject(int index);
  // Inserts before index (appends when index is the count); an index outside 0..count does
  // nothing (an owned obj is then freed).
  void InsertObject(int index, std::string text, TBaseObject* obj);
  // Frees an owned object (whatever its destructor raises is swallowed), then removes the line.
  // An index outside the list does nothing.
  void Delete(int index);
  // Moves the line and its object together; nothing is freed. Indexes outside: nothing.
  void Move(int curIndex, int newIndex);
  // Frees owned objects and removes every line.
  void Clear();
  int IndexOf(std::string_view text) const;  // ASCII case-insensitive, -1 when absent
  int IndexOfObject(const TBaseObject* obj) const;
  // Strings only: this list's lines become src's, with no objects.
  void AssignStrings(const TStringList& src);
  // Appends every line of src with its object. A list that owns its objects appends clones of
  // them (src keeps its own); a list that does not shares src's objects.
  virtual void AddStrings(const TStringList& src);
  // Clear, then AddStrings(src): an owning list becomes an independent deep copy.
  void Assign(const TStringList& src);
  std::string Text() const;  // lines joined, each followed by "\n"
  // Replaces the lines by those of text, split at "\r\n", "\n" or "\r"; a final line end
  // opens no empty line. Objects of the old lines are freed when owned.
  void SetText(std::string_view text);

  // name=value lines: the text before the first "=" (the whole line when there is none).
  std::string Names(int index) const;
  // Index of the first line whose name equals name, -1 when none.
  int IndexOfName(std::string_view name) const;
  // The value of the first line named name; empty when none.
  std::string Values(std::string_view name) const;
  // Sets the value of the line named name (appending "name=value" when none); an empty value
  // removes the line.
  void SetValue(std::string_view name, std::string_view value);

  // Changes whenever the lines change (their texts, order or number), to a value no list of the
  // process has had before: what is cached about a list's lines stays good while the list and
  // its stamp are the same. Objects do not count.
  std::uint64_t ChangeStamp() const { return stamp_; }

 private:
  struct Line {
    std::string text;
    TBaseObject* obj = nullptr;
  };
  void Changed();
  std::vector<Line> items_;
  bool ownsObjects_;
  std::uint64_t stamp_ = 0;
};

class OlvStringList : public TStringList {
 public:
  OlvStringList() : TStringList(true) {}

  // The clipboard's text as the list's lines, and the list's text onto the clipboard, through
  // the library's clipboard (OlvClipboard); meant for the main thread.
  void AssignFromClipboard();
  void AssignToClipboard() const;
};

}  // namespace olv
