// What the running export holds from the host, newest last.
//
// Every scoped host object (cursor, item file, item array, guard, open file,
// the plug-in object itself, ...) joins this list while it holds something
// and leaves it when its destructor runs. A structured exception on Windows
// abandons the module's frames without running their destructors; the
// command's guard then releases whatever is still listed, newest first,
// before the frames' memory is reused. On Linux the exception unwinds as a
// C++ exception and the list is empty by the time the guard sees it.
#pragma once

namespace dravenhol {

class Held {
 public:
  using Release = void (*)(void* owner);

  // Joins the list: release(owner) gives back what the owner holds.
  Held(void* owner, Release release);
  // Leaves the list.
  ~Held();
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  // Releases every listed holding, newest first, and empties the list. Each
  // leaves the list before its release runs, so none is released twice.
  static void ReleaseAll();

 private:
  void* owner_;
  Release release_;
  Held* previous_;
  Held* next_ = nullptr;
};

// A Held whose release calls the owner's member function.
template <class Owner, void (Owner::*Member)()>
void ReleaseBy(void* owner) {
  (static_cast<Owner*>(owner)->*Member)();
}

// A heap object of the run's, deleted on every way out.
template <class T>
class Owned {
 public:
  explicit Owned(T* object = nullptr) : object_(object) {}
  ~Owned() { Reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  // Hands the object over to the caller.
  T* Release() {
    T* object = object_;
    object_ = nullptr;
    return object;
  }
  void Reset() {
    delete object_;
    object_ = nullptr;
  }

 private:
  T* object_;
  Held held_{this, &ReleaseBy<Owned, &Owned::Reset>};
};

}  // namespace dravenhol
