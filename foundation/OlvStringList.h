#pragma once
// String lists whose lines may carry a persistent object. TStringList leaves its objects to
// their owner unless told to own them; OlvStringList always owns them and frees them with itself
// (and when a line's object is replaced or its line deleted). One thread at a time.
#include <string>
#include <vector>

#include "foundation/OlvClass.h"

namespace olv {

class TStringList : public TObject {
 public:
  explicit TStringList(bool ownsObjects = false) : ownsObjects_(ownsObjects) {}
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
  void Delete(int index);
  // Frees owned objects and removes every line.
  void Clear();
  int IndexOf(std::string_view text) const;  // ASCII case-insensitive, -1 when absent
  int IndexOfObject(const TBaseObject* obj) const;
  // Strings only: this list's lines become src's, with no objects.
  void AssignStrings(const TStringList& src);
  std::string Text() const;  // lines joined, each followed by "\n"

 private:
  struct Line {
    std::string text;
    TBaseObject* obj = nullptr;
  };
  std::vector<Line> items_;
  bool ownsObjects_;
};

class OlvStringList : public TStringList {
 public:
  OlvStringList() : TStringList(true) {}
};

}  // namespace olv
