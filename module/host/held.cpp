#include "host/held.h"

namespace dravenhol {

namespace {
// The newest holding. Everything runs on the host's one thread.
Held* g_newest = nullptr;
}  // namespace

Held::Held(void* owner, Release release) : owner_(owner), release_(release), previous_(g_newest) {
  if (previous_ != nullptr) previous_->next_ = this;
  g_newest = this;
}

Held::~Held() {
  if (previous_ != nullptr) previous_->next_ = next_;
  if (next_ != nullptr)
    next_->previous_ = previous_;
  else if (g_newest == this)
    g_newest = previous_;
  previous_ = next_ = nullptr;
}

void Held::ReleaseAll() {
  while (Held* newest = g_newest) {
    g_newest = newest->previous_;
    if (g_newest != nullptr) g_newest->next_ = nullptr;
    newest->previous_ = newest->next_ = nullptr;
    newest->release_(newest->owner_);
  }
}

}  // namespace dravenhol
