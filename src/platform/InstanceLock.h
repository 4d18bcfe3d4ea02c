// Single instance: a named lock that one process of the user holds for its whole life.
#pragma once

#include <string>

namespace velmora {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    // Takes the lock `name` without waiting. True when this process holds it now (also when
    // an earlier holder died without letting go); false when another process holds it.
    // A lock that cannot be created at all is not a reason to refuse the start: true.
    virtual bool TryLock(const std::string& name) = 0;
};

}  // namespace velmora
