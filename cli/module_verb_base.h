#pragma once
// The base of the verbs that work on one module: the module's address is their
// first argument, and before the verb's own work the module's settings record
// is read (the read request from local port 6000 to the module port). Why an
// address or a read failed is reported here, once, for all of them.
#include <cstdint>
#include <optional>

#include "record/device_entry.h"
#include "verb.h"
#include "write/module_read.h"

namespace quillmar::cli {

class ModuleVerb : public Verb {
protected:
    // Declares ADDRESS; the verb adds its further arguments after it.
    ModuleVerb(QString name, QString summary);

    // Checks the verb's own arguments before anything is sent; an exit status
    // ends the run there.
    virtual std::optional<int> prepare(const QCommandLineParser&, VerbContext&) { return std::nullopt; }
    // Whether an answer shorter than a record is worked on (shown as it is);
    // otherwise it is refused.
    virtual bool takesShortRecord() const { return false; }
    virtual int executeOnModule(const ModuleReading& module, VerbContext& context) = 0;

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) final;
};

}  // namespace quillmar::cli
