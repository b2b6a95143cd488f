#include "functions/FunctionTables.h"

#include "functions/DrawingFunctions.h"
#include "functions/EventFunctions.h"
#include "functions/FileFunctions.h"
#include "functions/InstanceFunctions.h"
#include "functions/InteractionFunctions.h"
#include "functions/MathFunctions.h"

namespace velkaro {

CFunctionRegistry BuildFunctionRegistry() {
    CFunctionRegistry registry;
    // The order of the tables fixes the function numbers.
    RegisterInstanceFunctions(registry);
    RegisterMathFunctions(registry);
    RegisterDrawingFunctions(registry);
    RegisterInteractionFunctions(registry);
    RegisterFileFunctions(registry);
    RegisterEventFunctions(registry);
    return registry;
}

const CFunctionRegistry& FunctionRegistry() {
    static const CFunctionRegistry registry = BuildFunctionRegistry();
    return registry;
}

} // namespace velkaro
