#include "completion_hint.h"

#include "com_port_option.h"

namespace quillmar::cli {

CompletionHint completionHintOfName(const QString& valueName)
{
    using Kind = CompletionHint::Kind;
    if (valueName == comPortOption(QString()).valueName())
        return {Kind::SerialPorts, {}};
    if (valueName.contains(u'|'))
        return wordsHint(valueName.split(u'|'));
    if (valueName == QLatin1String("DIR"))
        return {Kind::Directories, {}};
    if (valueName == QLatin1String("FILE") || valueName.contains(u'.'))
        return {Kind::Files, {}};
    return {};
}

}  // namespace quillmar::cli
