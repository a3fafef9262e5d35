#pragma once
// Stand-in for the persistent object base until the object stream joins this branch: the same
// names and the same shape (TClass with name, parent and factory; OLV_CLASS), so switching to the
// real base is an include change.
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace olv {

class TObject {
 public:
  virtual ~TObject() = default;
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

class TBaseObject;

struct TClass {
  std::string_view name;
  const TClass* parent;
  std::unique_ptr<TBaseObject> (*create)();
  bool InheritsFrom(const TClass& other) const {
    for (const TClass* c = this; c; c = c->parent)
      if (c == &other) return true;
    return false;
  }
};

namespace detail {
template <class T>
constexpr auto FactoryFor() -> std::unique_ptr<TBaseObject> (*)() {
  if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>) {
    return nullptr;
  } else {
    return []() -> std::unique_ptr<TBaseObject> { return std::make_unique<T>(); };
  }
}
}  // namespace detail

#define OLV_CLASS(Cls, Parent)                                                     \
 public:                                                                           \
  static const ::olv::TClass& StaticClass() {                                      \
    static const ::olv::TClass cls{#Cls, &Parent::StaticClass(),                    \
                                   ::olv::detail::FactoryFor<Cls>()};              \
    return cls;                                                                    \
  }                                                                                \
  const ::olv::TClass& ClassType() const override { return StaticClass(); }        \
                                                                                   \
 private:

class TBaseObject : public TObject {
 public:
  static const TClass& StaticClass() {
    static const TClass cls{"TBaseObject", nullptr, nullptr};
    return cls;
  }
  virtual const TClass& ClassType() const { return StaticClass(); }
  std::string GetClassNameStr() const { return std::string(ClassType().name); }
  virtual std::unique_ptr<TBaseObject> Clone() const { return nullptr; }
};

}  // namespace olv
