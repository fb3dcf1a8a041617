#include "verb_registry.h"

// Each verb is one file (<name>_verb.cpp) that defines make<Name>Verb(); to add
// one, write the file and add its name here, in the order --help lists it.
#define QUILLMAR_CLI_VERBS(VERB)                                                                                       \
    VERB(Discover)                                                                                                     \
    VERB(ConfigShow)                                                                                                   \
    VERB(ConfigSet)                                                                                                    \
    VERB(ConfigExport)                                                                                                 \
    VERB(ConfigImport)                                                                                                 \
    VERB(ConfigApply)                                                                                                  \
    VERB(ConfigCheck)                                                                                                  \
    VERB(ConfigBackups)                                                                                                \
    VERB(ConfigRestore)                                                                                                \
    VERB(ComRead)                                                                                                      \
    VERB(ComWrite)                                                                                                     \
    VERB(UsbRead)                                                                                                      \
    VERB(UsbWrite)                                                                                                     \
    VERB(Reboot)                                                                                                       \
    VERB(Upgrade)                                                                                                      \
    VERB(WebBuild)                                                                                                     \
    VERB(WebUpload)                                                                                                    \
    VERB(SiteDhcp)                                                                                                     \
    VERB(Log)                                                                                                          \
    VERB(Completion)

namespace quillmar::cli {

#define QUILLMAR_DECLARE_VERB(Name) std::unique_ptr<Verb> make##Name##Verb();
QUILLMAR_CLI_VERBS(QUILLMAR_DECLARE_VERB)
#undef QUILLMAR_DECLARE_VERB

std::vector<std::unique_ptr<Verb>> makeVerbs()
{
    std::vector<std::unique_ptr<Verb>> verbs;
#define QUILLMAR_MAKE_VERB(Name) verbs.push_back(make##Name##Verb());
    QUILLMAR_CLI_VERBS(QUILLMAR_MAKE_VERB)
#undef QUILLMAR_MAKE_VERB
    return verbs;
}

}  // namespace quillmar::cli
