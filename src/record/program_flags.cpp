#include "record/program_flags.h"

namespace quillmar {

ProgramFlags& programFlags()
{
    static ProgramFlags flags;
    return flags;
}

}  // namespace quillmar
