// The layouts of Microsoft's C++ ABI on i386 that cross the boundary with the
// host: type information (what precedes slot 0 of a virtual table) and the
// throw information of a C++ exception. Every reference is an absolute
// 32-bit pointer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dravenhol::platform::msvc {

// The code of every C++ exception, and the magic numbers of its first
// parameter (the newer compilers' included).
inline constexpr uint32_t kCxxExceptionCode = 0xE06D7363;
inline constexpr uint32_t kCxxMagicFirst = 0x19930520;
inline constexpr uint32_t kCxxMagicLast = 0x19930522;

// A member displacement: where a base lies within the complete object.
struct Pmd {
  int32_t mdisp;
  int32_t pdisp;  // -1: not inside a virtual base
  int32_t vdisp;  // byte offset into the virtual base table
};

// A type descriptor: a type_info object. spare is written by the runtime
// (type_info::name() caches the undecorated name there), so a descriptor lies
// in writable memory. name is the decorated name, ".?AVName@@" for a class.
template <std::size_t N>
struct TypeDescriptor {
  const void* typeInfoTable;
  void* spare;
  char name[N];
};
using AnyTypeDescriptor = TypeDescriptor<1>;

struct BaseClassDescriptor {
  const void* typeDescriptor;
  uint32_t numContainedBases;
  Pmd where;
  uint32_t attributes;
};

struct ClassHierarchyDescriptor {
  uint32_t signature;
  uint32_t attributes;  // bit 0: multiple, bit 1: virtual inheritance
  uint32_t numBaseClasses;
  const BaseClassDescriptor* const* baseClasses;  // the class itself first
};

struct CompleteObjectLocator {
  uint32_t signature;
  uint32_t offset;    // of this virtual table pointer in the complete object
  uint32_t cdOffset;  // constructor displacement
  const void* typeDescriptor;
  const ClassHierarchyDescriptor* hierarchy;
};

struct CatchableType {
  uint32_t properties;
  const AnyTypeDescriptor* type;
  Pmd thisDisplacement;
  int32_t sizeOrOffset;
  const void* copyFunction;
};

struct CatchableTypeArray {
  int32_t count;
  const CatchableType* types[1];  // count entries: the thrown type first
};

struct ThrowInfo {
  uint32_t attributes;
  void(__attribute__((thiscall)) * destroy)(void* object);  // null for a trivial destructor
  const void* forwardCompat;
  const CatchableTypeArray* catchableTypes;
};

// Where the subobject of a catchable type lies in the thrown object.
inline char* Displaced(char* object, const Pmd& where) {
  if (where.pdisp >= 0) {
    char* base = object + where.pdisp;
    const char* table = *reinterpret_cast<char**>(base);
    object = base + *reinterpret_cast<const int32_t*>(table + where.vdisp);
  }
  return object + where.mdisp;
}

}  // namespace dravenhol::platform::msvc
