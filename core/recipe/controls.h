// The panel entries whose ranges and initial values the steps take: each
// step reads its values as the control on its panel would.
#pragma once

#include "core/recipe/runner.h"
#include "resources/panel_ids.h"

namespace pelorin::recipe {

// The panel entries whose ranges and initial values the steps take.
constexpr ControlId kTekSamples{ids::SetReset::kPanel, ids::SetReset::kTekSamples},
    kTekBandwidth{ids::SetReset::kPanel, ids::SetReset::kTekBandwidth},
    kNiSamples{ids::SetReset::kPanel, ids::SetReset::kNiSamples},
    kNiBandwidth{ids::SetReset::kPanel, ids::SetReset::kNiBandwidth};
constexpr ControlId kNotchFrom{ids::Notch::kPanel, ids::Notch::kFrom},
    kNotchTo{ids::Notch::kPanel, ids::Notch::kTo},
    kNotchLevel{ids::Notch::kPanel, ids::Notch::kLevel};
constexpr ControlId kSmoothWidth{ids::Smooth::kPanel, ids::Smooth::kWidth};
constexpr ControlId kSwimFrom{ids::Swim::kPanel, ids::Swim::kFrom},
    kSwimTo{ids::Swim::kPanel, ids::Swim::kTo}, kSwimBase{ids::Swim::kPanel, ids::Swim::kBase},
    kSwimPeak{ids::Swim::kPanel, ids::Swim::kPeak}, kSwimLaw{ids::Swim::kPanel, ids::Swim::kLaw},
    kSwimNodes{ids::Swim::kPanel, ids::Swim::kNodes},
    kSwimLast{ids::Swim::kPanel, ids::Swim::kLastNodes},
    kSwimSmooth{ids::Swim::kPanel, ids::Swim::kSmoothMembers};
constexpr ControlId kFrequency{ids::Hadamard::kPanel, ids::Hadamard::kFrequency},
    kHadamardWidth{ids::Hadamard::kPanel, ids::Hadamard::kWidth};
constexpr ControlId kFactor{ids::Process::kPanel, ids::Process::kFactor};

namespace excite = ids::Excite;
constexpr ControlId kExciteVpp{excite::kPanel, excite::kVpp},
    kExciteSize{excite::kPanel, excite::kSize}, kExciteLength{excite::kPanel, excite::kLength},
    kExciteWall{excite::kPanel, excite::kWall}, kExciteTrap{excite::kPanel, excite::kTrap},
    kExciteTesla{excite::kPanel, excite::kTesla}, kExciteBeta{excite::kPanel, excite::kBeta},
    kExciteAlpha{excite::kPanel, excite::kAlpha}, kExciteTarget{excite::kPanel, excite::kTarget},
    kExciteFrom{excite::kPanel, excite::kFrom}, kExciteTo{excite::kPanel, excite::kTo};

}  // namespace pelorin::recipe
