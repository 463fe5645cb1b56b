#include "tools/filter_design/remez.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <stdexcept>
#include <string>

namespace sonaro::design {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kMaxIterations = 250;
// A point beyond the ends of the extremal set replaces the opposite end only when its error is
// larger by this fraction, so that rounding cannot make two sets take turns.
constexpr double kExtremumMargin = 1e-9;

// The dense frequency grid with the wanted response and weight at each point. The approximation
// works on the cosine scale x = cos(2 pi f), on which the amplitude is a polynomial.
struct Grid {
    std::vector<double> frequency;
    std::vector<double> x;
    std::vector<double> desired;
    std::vector<double> weight;
    std::vector<std::size_t> bandEnd;  // one past the last point of each band
    std::size_t size() const { return frequency.size(); }
};

Grid BuildGrid(int cosineTerms, const std::vector<Band>& bands, int density) {
    const double spacing = 0.5 / (static_cast<double>(density) * cosineTerms);
    Grid grid;
    for (const Band& band : bands) {
        if (band.lower > band.upper || band.lower < 0.0 || band.upper > 0.5 || band.weight <= 0.0) {
            throw std::runtime_error("invalid band");
        }
        // Points at the grid spacing from the lower edge; the last one that fits below the upper
        // edge is moved onto the upper edge.
        grid.frequency.push_back(band.lower);
        for (;;) {
            const double next = grid.frequency.back() + spacing;
            if (next > band.upper) {
                grid.frequency.back() = band.upper;
                break;
            }
            grid.frequency.push_back(next);
        }
        grid.desired.resize(grid.frequency.size(), band.desired);
        grid.weight.resize(grid.frequency.size(), band.weight);
        grid.bandEnd.push_back(grid.frequency.size());
    }
    grid.x.reserve(grid.size());
    for (const double f : grid.frequency) {
        grid.x.push_back(std::cos(kTwoPi * f));
    }
    return grid;
}

// Splits off the binary exponent of m into e; answers the mantissa.
double Normalise(double m, long& e) {
    int shift = 0;
    const double mantissa = std::frexp(m, &shift);
    e += shift;
    return mantissa;
}

// Barycentric weights 1 / prod_{j != k} (x_k - x_j), all scaled by one common factor (which
// cancels wherever they are used). A product of a thousand differences leaves the range of a
// double, so each is carried as a mantissa and a binary exponent.
std::vector<double> BarycentricWeights(const std::vector<double>& x) {
    const std::size_t n = x.size();
    std::vector<double> mantissa(n);
    std::vector<long> exponent(n);
    long largest = 0;
    for (std::size_t k = 0; k < n; ++k) {
        double m = 1.0;
        long e = 0;
        int pending = 0;
        for (std::size_t j = 0; j < n; ++j) {
            if (j == k) {
                continue;
            }
            m *= x[k] - x[j];
            // Sixteen factors of at least 1e-12 and at most 2 cannot leave the range.
            if (++pending == 16) {
                m = Normalise(m, e);
                pending = 0;
            }
        }
        m = Normalise(m, e);
        if (m == 0.0) {
            throw std::runtime_error("coincident extremal frequencies");
        }
        mantissa[k] = 1.0 / m;
        exponent[k] = -e;
        largest = k == 0 ? exponent[k] : std::max(largest, exponent[k]);
    }
    std::vector<double> weights(n);
    for (std::size_t k = 0; k < n; ++k) {
        weights[k] = std::ldexp(mantissa[k], static_cast<int>(exponent[k] - largest));
    }
    return weights;
}

// The polynomial through the values at the extremal points whose weighted error alternates with
// the levelled deviation, evaluated in barycentric form.
class Reference {
  public:
    Reference(const Grid& grid, const std::vector<std::size_t>& extremals) {
        for (const std::size_t index : extremals) {
            x_.push_back(grid.x[index]);
        }
        weights_ = BarycentricWeights(x_);
        double numerator = 0.0;
        double denominator = 0.0;
        for (std::size_t k = 0; k < x_.size(); ++k) {
            const std::size_t index = extremals[k];
            numerator += weights_[k] * grid.desired[index];
            const double sign = k % 2 == 0 ? 1.0 : -1.0;
            denominator += sign * weights_[k] / grid.weight[index];
        }
        deviation_ = numerator / denominator;
        for (std::size_t k = 0; k < x_.size(); ++k) {
            const std::size_t index = extremals[k];
            const double sign = k % 2 == 0 ? 1.0 : -1.0;
            values_.push_back(grid.desired[index] - sign * deviation_ / grid.weight[index]);
        }
    }

    double deviation() const { return deviation_; }

    double Evaluate(double x) const {
        double numerator = 0.0;
        double denominator = 0.0;
        for (std::size_t k = 0; k < x_.size(); ++k) {
            const double difference = x - x_[k];
            if (difference == 0.0) {
                return values_[k];
            }
            const double term = weights_[k] / difference;
            numerator += term * values_[k];
            denominator += term;
        }
        return numerator / denominator;
    }

    // The value at the first extremal point nearer than snapDistance, else as Evaluate.
    double Evaluate(double x, double snapDistance) const {
        for (std::size_t k = 0; k < x_.size(); ++k) {
            if (std::fabs(x - x_[k]) < snapDistance) {
                return values_[k];
            }
        }
        return Evaluate(x);
    }

  private:
    std::vector<double> x_;
    std::vector<double> weights_;
    std::vector<double> values_;
    double deviation_ = 0.0;
};

// Extremal points spread evenly over the grid, the last one on its last point.
std::vector<std::size_t> InitialExtremals(std::size_t gridSize, std::size_t cosineTerms) {
    std::vector<std::size_t> extremals;
    const double step = static_cast<double>(gridSize - 1) / static_cast<double>(cosineTerms);
    for (std::size_t j = 0; j < cosineTerms; ++j) {
        extremals.push_back(static_cast<std::size_t>(static_cast<double>(j) * step));
    }
    extremals.push_back(gridSize - 1);
    return extremals;
}

// The index of the largest sign * error[i] for i in [begin, end), or end when that is empty.
std::size_t Largest(const std::vector<double>& error, double sign, std::size_t begin,
                    std::size_t end) {
    std::size_t best = end;
    for (std::size_t i = begin; i < end; ++i) {
        if (best == end || sign * error[i] > sign * error[best]) {
            best = i;
        }
    }
    return best;
}

// One exchange. Each extremal point moves to the largest error of its own sign between the new
// position of the point before it and the old position of the point after it, so the set stays
// ordered and alternating and no error in it falls below the deviation. Then an error beyond
// either end that exceeds the error at the opposite end enters the set and that end leaves it.
std::vector<std::size_t> Exchange(const std::vector<double>& error,
                                  const std::vector<std::size_t>& extremals) {
    const std::size_t count = extremals.size();
    const std::size_t gridSize = error.size();
    auto signOf = [&](std::size_t index) { return error[index] < 0.0 ? -1.0 : 1.0; };
    std::vector<std::size_t> next(count);
    std::size_t begin = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t end = k + 1 < count ? extremals[k + 1] : gridSize;
        next[k] = Largest(error, signOf(extremals[k]), begin, end);
        begin = next[k] + 1;
    }
    const std::size_t first = next.front();
    const std::size_t last = next.back();
    const std::size_t before = Largest(error, -signOf(first), 0, first);
    const std::size_t after = Largest(error, -signOf(last), last + 1, gridSize);
    // How much the error at a candidate of the sign the alternation needs exceeds the error at
    // the point it would push out.
    auto gain = [&](std::size_t candidate, std::size_t none, double sign, std::size_t dropped) {
        return candidate == none
                   ? -1.0
                   : sign * error[candidate] - std::fabs(error[dropped]) * (1.0 + kExtremumMargin);
    };
    const double frontGain = gain(before, first, -signOf(first), last);
    const double backGain = gain(after, gridSize, -signOf(last), first);
    if (frontGain > 0.0 && frontGain >= backGain) {
        next.pop_back();
        next.insert(next.begin(), before);
    } else if (backGain > 0.0) {
        next.erase(next.begin());
        next.push_back(after);
    }
    return next;
}

// The impulse response from the amplitude: samples of the polynomial at 2n - 1 equally spaced
// frequencies give its n cosine coefficients by an inverse discrete Fourier transform. A sample
// point closer than snapDistance (on the cosine scale) to an extremal point takes the value at
// that point, as the published program does; near x = -1 this matters for long filters.
std::vector<double> ImpulseResponse(const Reference& reference, std::size_t cosineTerms,
                                    double snapDistance) {
    const std::size_t period = 2 * cosineTerms - 1;
    std::vector<double> cosines(period);
    for (std::size_t m = 0; m < period; ++m) {
        cosines[m] = std::cos(kTwoPi * static_cast<double>(m) / static_cast<double>(period));
    }
    std::vector<double> samples(cosineTerms);
    for (std::size_t j = 0; j < cosineTerms; ++j) {
        samples[j] = reference.Evaluate(cosines[j], snapDistance);
    }
    const std::size_t centre = cosineTerms - 1;
    std::vector<double> taps(2 * cosineTerms - 1);
    for (std::size_t k = 0; k < cosineTerms; ++k) {
        double sum = 0.0;
        for (std::size_t j = 1; j < cosineTerms; ++j) {
            sum += samples[j] * cosines[(j * k) % period];
        }
        const double value = (samples[0] + 2.0 * sum) / static_cast<double>(period);
        taps[centre - k] = value;
        taps[centre + k] = value;
    }
    return taps;
}

}  // namespace

EquirippleDesign DesignEquiripple(int numTaps, const std::vector<Band>& bands, int gridDensity,
                                  double snapDistance) {
    if (numTaps < 3 || numTaps % 2 == 0 || bands.empty() || gridDensity < 1) {
        throw std::runtime_error("unsupported filter length or bands");
    }
    const auto cosineTerms = static_cast<std::size_t>(numTaps + 1) / 2;
    const Grid grid = BuildGrid(static_cast<int>(cosineTerms), bands, gridDensity);
    if (grid.size() <= cosineTerms) {
        throw std::runtime_error("frequency grid too coarse for the filter length");
    }
    std::vector<std::size_t> extremals = InitialExtremals(grid.size(), cosineTerms);
    std::vector<double> error(grid.size());
    for (int iteration = 1; iteration <= kMaxIterations; ++iteration) {
        const Reference reference(grid, extremals);
        for (std::size_t i = 0; i < grid.size(); ++i) {
            error[i] = grid.weight[i] * (grid.desired[i] - reference.Evaluate(grid.x[i]));
        }
        // At the extremal points the error is the deviation by construction; computed, it would
        // carry the rounding of the wanted gain, which early on can exceed the deviation.
        for (std::size_t k = 0; k < extremals.size(); ++k) {
            error[extremals[k]] = k % 2 == 0 ? reference.deviation() : -reference.deviation();
        }
        std::vector<std::size_t> next = Exchange(error, extremals);
        if (next == extremals) {
            return {ImpulseResponse(reference, cosineTerms, snapDistance),
                    std::fabs(reference.deviation()), iteration};
        }
        extremals = std::move(next);
    }
    throw std::runtime_error("the exchange did not converge");
}

double SymmetricAmplitude(const std::vector<double>& taps, double frequency) {
    // Clenshaw's recurrence for sum a_k T_k(x), a_0 = h[c], a_k = 2 h[c - k].
    const std::size_t centre = taps.size() / 2;
    const double x = std::cos(kTwoPi * frequency);
    double b1 = 0.0;
    double b2 = 0.0;
    for (std::size_t k = centre; k >= 1; --k) {
        const double b0 = 2.0 * taps[centre - k] + 2.0 * x * b1 - b2;
        b2 = b1;
        b1 = b0;
    }
    return taps[centre] + x * b1 - b2;
}

}  // namespace sonaro::design
