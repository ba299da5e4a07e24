#include "btstack/sim/registersim.h"

#include "btstack/sim/simbackend.h"

namespace btstack {

void RegisterSimBackend() {
    RegisterBackendFactory("sim", [](std::string*) -> std::shared_ptr<Backend> { return std::make_shared<SimBackend>(); });
}

} // namespace btstack
