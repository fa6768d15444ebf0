#pragma once
// Slope transport as linear diffusion of the surface:
//   dz/dt = kappa d2z/dx2, forward time, centred space.
// The change of the interior columns 2..1999 is computed from the surface as
// it stood before the step; the two edge columns take the change of their
// inner neighbours. dt <= 0.5 dx^2 / kappa keeps the scheme stable.

namespace vendrel {

// Factor of the stencil: (dt / (dx dx)) kappa.
inline double diffusion_factor(double dt, double dx, double kappa) {
    return dt / (dx * dx) * kappa;
}

// Change of a column from its own and its neighbours' surface values.
inline double diffusion_change_at(double factor, double left, double centre, double right) {
    return factor * ((left - 2 * centre) + right);
}

}  // namespace vendrel
