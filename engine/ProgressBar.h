#pragma once
// The progress indicator that a run drives: a range from 0 and a position. The Windows main window backs it with
// its progress control; the command line passes none.

#include <cstdint>

class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    virtual void SetRange(std::uint32_t upper) = 0;
    virtual std::uint32_t GetPos() const = 0;
    virtual void SetPos(std::uint32_t pos) = 0;
};
