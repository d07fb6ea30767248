#pragma once
// Time, tick count, user and computer names. Everything that reads them takes
// an IHost so tests can fix them.

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/SystemTime.h"

namespace tessarin {

class IHost {
public:
    virtual ~IHost() = default;
    virtual std::time_t Now() const = 0;
    virtual SystemTime LocalTime() const = 0;
    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual std::uint32_t TickCount() const = 0;
    virtual std::string UserName() const = 0;
    virtual std::string ComputerName() const = 0;
};

class LinuxHost final : public IHost {
public:
    std::time_t Now() const override;
    SystemTime LocalTime() const override;
    std::uint32_t TickCount() const override;
    std::string UserName() const override;
    std::string ComputerName() const override;
};

// The process-wide real host.
IHost& DefaultHost();

// A host whose answers tests set.
class FixedHost final : public IHost {
public:
    std::time_t now = 1700000000;
    std::uint32_t tick = 123456;
    std::string user = "tester";
    std::string computer = "testhost";

    std::time_t Now() const override { return now; }
    SystemTime LocalTime() const override { return SystemTimeFromTimeT(now); }
    std::uint32_t TickCount() const override { return tick; }
    std::string UserName() const override { return user; }
    std::string ComputerName() const override { return computer; }
};

}  // namespace tessarin
