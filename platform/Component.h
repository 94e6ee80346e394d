// Base of everything a form owns. An owner frees the components it owns, the last created first,
// when it is destroyed itself.
#pragma once

#include <string>
#include <vector>

namespace rt {

class Component {
 public:
  explicit Component(Component* owner);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::vector<Component*>& Components() const { return components_; }

  std::string Name;
  int Tag = 0;

 private:
  Component* owner_;
  std::vector<Component*> components_;
};

}  // namespace rt
