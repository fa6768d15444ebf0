#pragma once
// Two vertical faults at x = fault1 and x = fault2 cut the section into a
// left (x < F1), a middle (F1 <= x < F2) and a right block (x >= F2).
// Fault 1 lowers the middle block at slip1 m/ka (the left one when
// antithetic1 is 1); fault 2 lowers the right block at slip2 (the middle one
// when antithetic2 is 1). A column moves by rate x dt / 1000 per step for
// each fault that moves it, in the order fault 1, fault 2, surface and every
// recorded horizon alike. The column position used for the test is i x dx
// rounded to single precision.

#include <cstdint>

namespace vendrel {

struct ModelParameters;
struct ModelState;

// Which faults move a column: bit 0 fault 1, bit 1 fault 2.
std::uint8_t faults_moving_column(const ModelParameters& p, int column, double dx);

// The per-step displacement of each fault (rate x dt / 1000).
struct FaultSteps {
    double fault1;
    double fault2;
};
FaultSteps fault_steps(const ModelParameters& p, double dt);

// A value moved by the faults in `which`, in the order fault 1, fault 2.
inline double moved_by_faults(double v, std::uint8_t which, const FaultSteps& steps) {
    if (which & 1u) {
        v = v + steps.fault1;
    }
    if (which & 2u) {
        v = v + steps.fault2;
    }
    return v;
}

}  // namespace vendrel
