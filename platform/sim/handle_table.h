// The objects that the simulated machine's calls hand out as handles. Internal to the sim backend.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

namespace sim {

// The objects that calls hand out as handles: a handle is the object's address, valid from Add until
// Close or Clear. A handle that was never handed out, or is closed, finds nothing.
template <typename T, typename Deleter = std::default_delete<T>> class HandleTable {
  public:
    T* Add(std::unique_ptr<T, Deleter> object) {
        objects_.push_back(std::move(object));
        return objects_.back().get();
    }
    T* Find(const void* handle) const {
        const auto it = Position(handle);
        return it == objects_.end() ? nullptr : it->get();
    }
    // Releases the object; false for a handle that finds nothing.
    bool Close(const void* handle) {
        const auto it = Position(handle);
        if (handle == nullptr || it == objects_.end()) {
            return false;
        }
        objects_.erase(it);
        return true;
    }
    void Clear() { objects_.clear(); }

  private:
    typename std::vector<std::unique_ptr<T, Deleter>>::const_iterator Position(const void* handle) const {
        return std::find_if(objects_.begin(), objects_.end(),
                            [&](const auto& object) { return object.get() == handle; });
    }

    std::vector<std::unique_ptr<T, Deleter>> objects_;
};

} // namespace sim
