#pragma once

#include <functional>
#include <memory>

#include "mixer/system/mixer_thread.h"
#include "mixer/system/volume_binding.h"

namespace mixer {

// The mixer that device 0, control 0 stands for on this system, started on
// first use and stopped at exit.
MixerThread& SystemMixer();

// A seam for measuring from outside the product: the benchmarks and the soak
// count writes by wrapping the system's binding in one of their own. `wrap`
// is given the binding and returns what the mixer uses instead. It takes
// effect only when set before the first call of SystemMixer().
using BindingWrapper =
    std::function<std::unique_ptr<VolumeBinding>(std::unique_ptr<VolumeBinding>)>;
void WrapSystemBinding(BindingWrapper wrap);

}  // namespace mixer
