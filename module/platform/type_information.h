// What precedes slot 0 of a virtual table that the module lays out itself:
// the type information of the system's C++ ABI, so that the host's runtime
// can ask the object for its type (typeid, dynamic_cast). On Windows that is
// Microsoft's ABI, the host's; on Linux the Itanium ABI of the native build.
#pragma once

#include <cstddef>

#if defined(_WIN32)
#include "platform/msvc_abi_windows.h"
#else
#include <typeinfo>
#endif

namespace dravenhol::platform {

// A class name as a template argument: "CDravenhol".
template <std::size_t N>
struct ClassName {
  char text[N];
  constexpr ClassName(const char (&name)[N]) {  // NOLINT(google-explicit-constructor): a literal stands for it
    for (std::size_t i = 0; i < N; ++i) text[i] = name[i];
  }
};

#if defined(_WIN32)

// One word: the complete-object locator.
struct VirtualTablePrefix {
  const msvc::CompleteObjectLocator* locator;
};

namespace msvc {

inline constexpr Pmd kAtOffsetZero = {0, -1, 0};

// The module's own type_info virtual table, which its type descriptors point
// at (msvcrt.dll exports none): type_info's type information, then its one
// virtual operation, the deleting destructor. Nothing destroys a type
// descriptor (they are static), so it only hands the object back; and no one
// asks a type_info for its type, so its own descriptor names no table.
inline void* __attribute__((thiscall)) DeleteTypeInfo(void* self, unsigned /*flags*/) { return self; }
constinit inline TypeDescriptor<16> kTypeInfoDescriptor = {nullptr, nullptr, ".?AVtype_info@@"};
inline constexpr BaseClassDescriptor kTypeInfoSelf = {&kTypeInfoDescriptor, 0, kAtOffsetZero, 0};
inline constexpr const BaseClassDescriptor* kTypeInfoBases[] = {&kTypeInfoSelf};
inline constexpr ClassHierarchyDescriptor kTypeInfoHierarchy = {0, 0, 1, kTypeInfoBases};
inline constexpr CompleteObjectLocator kTypeInfoLocator = {0, 0, 0, &kTypeInfoDescriptor, &kTypeInfoHierarchy};
struct TypeInfoTable {
  const CompleteObjectLocator* locator;
  void*(__attribute__((thiscall)) * slots[1])(void* self, unsigned flags);
};
inline constexpr TypeInfoTable kTypeInfoTable = {&kTypeInfoLocator, {&DeleteTypeInfo}};

// ".?AV<name>@@" for a class without a namespace, as the host names it.
template <ClassName Name>
constexpr TypeDescriptor<sizeof(Name.text) + 6> ClassDescriptor() {
  TypeDescriptor<sizeof(Name.text) + 6> descriptor{kTypeInfoTable.slots, nullptr, {}};
  const char prefix[] = ".?AV";
  std::size_t n = 0;
  for (std::size_t i = 0; i < 4; ++i) descriptor.name[n++] = prefix[i];
  for (std::size_t i = 0; i + 1 < sizeof(Name.text); ++i) descriptor.name[n++] = Name.text[i];
  descriptor.name[n++] = '@';
  descriptor.name[n++] = '@';
  descriptor.name[n] = '\0';
  return descriptor;
}

// Writable: the runtime caches the undecorated name in it.
template <ClassName Name>
constinit inline TypeDescriptor<sizeof(Name.text) + 6> kDescriptor = ClassDescriptor<Name>();

// A class with one public non-virtual base at offset 0, and no other.
template <ClassName Name, ClassName Base>
struct SingleBase {
  static constexpr BaseClassDescriptor kSelf = {&kDescriptor<Name>, 1, kAtOffsetZero, 0};
  static constexpr BaseClassDescriptor kBase = {&kDescriptor<Base>, 0, kAtOffsetZero, 0};
  static constexpr const BaseClassDescriptor* kBases[] = {&kSelf, &kBase};
  static constexpr ClassHierarchyDescriptor kHierarchy = {0, 0, 2, kBases};
  static constexpr CompleteObjectLocator kLocator = {0, 0, 0, &kDescriptor<Name>, &kHierarchy};
};

}  // namespace msvc

// Type information of class `Name`, whose only base is `Base` (public,
// non-virtual, at offset 0), as the host's compiler would give it.
template <class Class, ClassName Name, ClassName Base>
constexpr VirtualTablePrefix SingleBaseClassPrefix() {
  return VirtualTablePrefix{&msvc::SingleBase<Name, Base>::kLocator};
}

#else

// The offset to the top of the object, then the type information.
struct VirtualTablePrefix {
  std::ptrdiff_t offsetToTop;
  const std::type_info* type;
};

template <class Class, ClassName Name, ClassName Base>
constexpr VirtualTablePrefix SingleBaseClassPrefix() {
  return VirtualTablePrefix{0, &typeid(Class)};
}

#endif

}  // namespace dravenhol::platform
