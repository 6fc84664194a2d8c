#pragma once
// A platform that passes every concern on to another one; a wrapper overrides only the
// concerns it changes (a log it keeps, programs it prints).

#include "platform/platform.h"

namespace platform {

class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  Files& files() override { return inner_.files(); }
  Profiles& profiles() override { return inner_.profiles(); }
  Storage& storage() override { return inner_.storage(); }
  Registry& registry() override { return inner_.registry(); }
  Network& network() override { return inner_.network(); }
  System& system() override { return inner_.system(); }
  Console& console() override { return inner_.console(); }
  Modules& modules() override { return inner_.modules(); }
  MessageBoxes& messageBoxes() override { return inner_.messageBoxes(); }
  Processes& processes() override { return inner_.processes(); }
  Power& power() override { return inner_.power(); }
  Windows& windows() override { return inner_.windows(); }

 protected:
  Platform& inner() { return inner_; }

 private:
  Platform& inner_;
};

}  // namespace platform
