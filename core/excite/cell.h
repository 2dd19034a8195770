// The cell: its shape and size, and the geometry factors that turn the
// voltages on its plates into the fields at its centre, from the Laplace
// solution of each shape.
#pragma once

#include <optional>
#include <string>

namespace pelorin {

enum class CellShape {
    Cylinder,  // a closed cylinder, its side wall in four 90° sectors
    Cubic,     // a box of square cross-section (a cube when as long as wide)
    Infinity   // an infinitely long cylinder: no end plates
};

struct Cell {
    CellShape shape = CellShape::Cylinder;
    double size_mm = 60.0;        // d: the cylinder's diameter, the spacing of the plates
    double length_mm = 60.0;      // between the trapping plates
    double wall_mm = 30.0;        // the radius at which an ion is lost
    std::optional<double> beta;   // given instead of the shape's own
    std::optional<double> alpha;  // given instead of the shape's own
};

// The excitation factor β: the field at the centre is β V / d when the two
// excitation plates differ by V. For length / size = lam > 0 (infinity
// allowed); β = 2√2/π for the infinitely long cylinder.
double ExcitationFactor(CellShape shape, double lam);

// The trapping factor α: with both end plates at V_T, the potential near the
// centre is V_T (γ + α/d² (z² − (x² + y²)/2)). 0 for an infinitely long cell.
double TrappingFactor(CellShape shape, double lam);

// The cell's factors: those given, else the shape's at its length / size.
double ExcitationFactor(const Cell& cell);
double TrappingFactor(const Cell& cell);

// "cylinder", "cubic", "infinity".
const char* ShapeName(CellShape shape);
std::optional<CellShape> ShapeNamed(const std::string& name);

}  // namespace pelorin
