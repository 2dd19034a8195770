#include "core/excite/cell.h"

#include <cmath>
#include <vector>

namespace pelorin {

namespace {

// Terms whose decay exponent lies this far beyond the first are below the
// double's precision (e^−40 ≈ 4e−18).
constexpr double kSpan = 40.0;
constexpr double kPi = 3.14159265358979323846;
// The cos θ coefficient of a wall in four 90° sectors at +1, 0, −1, 0.
const double kSectors = 2.0 * std::sqrt(2.0) / kPi;

double Sech(double a) {
    const double e = std::exp(-a);
    return 2.0 * e / (1.0 + e * e);
}

double Csch(double a) {
    const double e = std::exp(-a);
    return 2.0 * e / (1.0 - e * e);
}

// (−1)^((n − 1)/2) for odd n.
double Sign(int n) {
    return n % 4 == 1 ? 1.0 : -1.0;
}

// The first zeros of J_nu (nu 0 or 1), each with J_{1−nu} there, as the
// long-cell series need them: McMahon's start, then Newton.
struct Zero {
    double x, other;
};

const std::vector<Zero>& Zeros(int nu) {
    static const auto make = [](int n) {
        std::vector<Zero> zeros;
        const double mu = 4.0 * n * n;
        for (int s = 1; s <= 64; ++s) {
            const double b = (s + 0.5 * n - 0.25) * kPi;
            double x =
                b - (mu - 1) / (8 * b) - 4 * (mu - 1) * (7 * mu - 31) / (3 * std::pow(8 * b, 3));
            for (int step = 0; step < 30; ++step) {
                const double j0 = std::cyl_bessel_j(0.0, x), j1 = std::cyl_bessel_j(1.0, x);
                const double dx = n == 0 ? j0 / -j1 : j1 / (j0 - j1 / x);
                x -= dx;
                if (std::fabs(dx) < 1e-15 * x)
                    break;
            }
            zeros.push_back({x, std::cyl_bessel_j(1.0 - n, x)});
        }
        return zeros;
    };
    static const std::vector<Zero> zeros[2] = {make(0), make(1)};
    return zeros[nu];
}

// Σ over odd n of term(n, x_n), x_n = n π / (2 lam), while x_n lies within
// the span of the first: the expansion along z, fast for short cells.
template <class Term>
double OddSum(double lam, Term term) {
    const double x1 = kPi / (2.0 * lam);
    double sum = 0.0;
    for (int n = 1; (n - 1) * x1 <= kSpan; n += 2)
        sum += term(n, n * x1);
    return sum;
}

// Σ over the zeros of J_nu of term(zero), while zero × lam lies within the
// span of the first: the expansion across, fast for long cells.
template <class Term>
double ZeroSum(int nu, double lam, Term term) {
    const std::vector<Zero>& zeros = Zeros(nu);
    double sum = 0.0;
    for (const Zero& z : zeros) {
        if ((z.x - zeros[0].x) * lam > kSpan)
            break;
        sum += term(z);
    }
    return sum;
}

// Σ over odd (or, from first = 2, even) a and odd b of term(a, b, arg) while
// arg(a, b), growing in both, lies within the span of the first.
template <class Arg, class Term>
double PairSum(int first, Arg arg, Term term) {
    const double limit = arg(first, 1) + kSpan;
    double sum = 0.0;
    for (int a = first; arg(a, 1) <= limit; a += 2)
        for (int b = 1;; b += 2) {
            const double v = arg(a, b);
            if (v > limit)
                break;
            sum += term(a, b, v);
        }
    return sum;
}

double CylinderBeta(double lam) {
    if (lam <= 1.0)
        return kSectors / lam *
               OddSum(lam, [](int n, double x) { return Sign(n) / std::cyl_bessel_i(1.0, x); });
    return kSectors *
           (1.0 + ZeroSum(1, lam, [lam](const Zero& z) { return Sech(z.x * lam) / z.other; }));
}

double CylinderAlpha(double lam) {
    if (lam <= 1.0)
        return 4.0 / lam *
               OddSum(lam, [](int n, double x) { return Sign(n) * x / std::cyl_bessel_i(0.0, x); });
    return 4.0 * ZeroSum(0, lam, [lam](const Zero& z) { return z.x * Sech(z.x * lam) / z.other; });
}

double BoxBeta(double lam) {
    if (lam <= 1.0) {
        const auto arg = [lam](int m, int n) { return 0.5 * kPi * std::hypot(m, n / lam); };
        return 8.0 / kPi * PairSum(1, arg, [](int m, int n, double a) {
                   return Sign(m) * Sign(n) * (2.0 * a / kPi) / (m * n) * Csch(a);
               });
    }
    // The infinitely long square tube, less what the end plates take.
    double tube = 0.0;
    for (int m = 1; m < 40; m += 2)
        tube += 2.0 * Sign(m) * Csch(0.5 * kPi * m);
    if (std::isinf(lam))
        return tube;
    const auto arg = [lam](int p, int q) { return 0.5 * kPi * lam * std::hypot(p, q); };
    return tube + 8.0 / kPi * PairSum(2, arg, [](int p, int q, double a) {
                      return ((p / 2) % 2 == 0 ? 1.0 : -1.0) * Sign(q) * p * p /
                             (q * static_cast<double>(p * p + q * q)) * Sech(a);
                  });
}

double BoxAlpha(double lam) {
    if (lam < 1.0) {
        const auto arg = [lam](int m, int n) { return 0.5 * kPi * std::hypot(m, n / lam); };
        return 16.0 / (lam * lam) * PairSum(1, arg, [](int m, int n, double a) {
                   return Sign(m) * Sign(n) * n / static_cast<double>(m) * Sech(a);
               });
    }
    const auto arg = [lam](int m, int n) { return 0.5 * kPi * lam * std::hypot(m, n); };
    return 8.0 * PairSum(1, arg, [](int m, int n, double a) {
               return Sign(m) * Sign(n) * (m * m + n * n) / static_cast<double>(m * n) * Sech(a);
           });
}

}  // namespace

double ExcitationFactor(CellShape shape, double lam) {
    if (shape == CellShape::Infinity)
        return kSectors;
    if (std::isinf(lam))
        return shape == CellShape::Cubic ? BoxBeta(lam) : kSectors;
    return shape == CellShape::Cubic ? BoxBeta(lam) : CylinderBeta(lam);
}

double TrappingFactor(CellShape shape, double lam) {
    if (shape == CellShape::Infinity || std::isinf(lam))
        return 0.0;
    return shape == CellShape::Cubic ? BoxAlpha(lam) : CylinderAlpha(lam);
}

double ExcitationFactor(const Cell& cell) {
    return cell.beta ? *cell.beta : ExcitationFactor(cell.shape, cell.length_mm / cell.size_mm);
}

double TrappingFactor(const Cell& cell) {
    return cell.alpha ? *cell.alpha : TrappingFactor(cell.shape, cell.length_mm / cell.size_mm);
}

const char* ShapeName(CellShape shape) {
    switch (shape) {
        case CellShape::Cylinder:
            return "cylinder";
        case CellShape::Cubic:
            return "cubic";
        case CellShape::Infinity:
            return "infinity";
    }
    return "?";
}

std::optional<CellShape> ShapeNamed(const std::string& name) {
    for (CellShape s : {CellShape::Cylinder, CellShape::Cubic, CellShape::Infinity})
        if (name == ShapeName(s))
            return s;
    return std::nullopt;
}

}  // namespace pelorin
