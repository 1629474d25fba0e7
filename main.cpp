#include "core/exercise_state.h"
#include "core/module1.h"

int main()
{
    core::ExerciseState state;
    core::Main(state, {});
    return 0;
}
