#pragma once
// A list read from a scheme file may hold slots without the object they should hold: a damaged
// file can leave a line without its object, a gap in a list of records, or an object of another
// class. The model drops such slots as it adopts what was read, so that every index below a
// list's Count() gives an object of the list's class and nothing that shows or runs schemes
// meets an empty one. Called on the thread that read the file, before the model is shared.
#include "foundation/objects/ObjLists.h"
#include "foundation/objects/OlvStringList.h"

namespace sch {

// Slots whose object (objectAt(i)) is not a T go (with any object they hold); returns how many.
template <class T, class List, class ObjectAt>
int DropSlotsWithout(List& list, ObjectAt objectAt) {
  int dropped = 0;
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (dynamic_cast<T*>(objectAt(i))) continue;
    list.Delete(i);
    ++dropped;
  }
  return dropped;
}

template <class T>
int DropEmptySlots(olv::OlvStringList& list) {
  return DropSlotsWithout<T>(list, [&list](int i) { return list.Objects(i); });
}

template <class T>
int DropEmptySlots(olv::TList& list) {
  return DropSlotsWithout<T>(list, [&list](int i) { return list.Items(i); });
}

}  // namespace sch
