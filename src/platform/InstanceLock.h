// Single instance: a named lock that one process of the user holds for its whole life.
#pragma once

#include <string>

namespace velmora {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    // Takes the lock `name` without waiting. True when this process holds it now (also when
    // an earlier holder died without letting go); false when another process holds it, and
    // false when the lock cannot be taken at all (Failure() then says why).
    virtual bool TryLock(const std::string& name) = 0;

    // Why the last TryLock could not take the lock for another reason than another
    // process holding it: the lock's path and the system's reason. Empty otherwise.
    virtual std::string Failure() const { return {}; }
};

}  // namespace velmora
