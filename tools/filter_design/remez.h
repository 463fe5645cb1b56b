#pragma once

#include <vector>

namespace sonaro::design {

// One band of the wanted response. Frequencies are in cycles per sample (0 to 0.5).
struct Band {
    double lower;
    double upper;
    double desired;
    double weight;
};

struct EquirippleDesign {
    std::vector<double> taps;  // the impulse response, exactly symmetric
    double deviation = 0.0;    // the levelled weighted error of the converged approximation
    int iterations = 0;        // exchange steps until the extremal set stopped changing
};

// Parks-McClellan (Remez exchange) design of an odd-length linear-phase FIR filter whose weighted
// error over the bands is equiripple. The dense grid has gridDensity points per cosine term;
// each band's last grid point lies on its upper edge. The exchange runs until the extremal set
// no longer changes. The coefficients come from samples of the converged amplitude; a sample
// point within snapDistance of an extremal point on the cosine scale takes the extremal value
// (the published program uses 1e-6; 0 turns this off). Throws std::runtime_error when the
// exchange cannot proceed or does not converge.
EquirippleDesign DesignEquiripple(int numTaps, const std::vector<Band>& bands, int gridDensity,
                                  double snapDistance);

// The zero-phase amplitude of an odd-length symmetric filter at a frequency (cycles per sample).
double SymmetricAmplitude(const std::vector<double>& taps, double frequency);

}  // namespace sonaro::design
