// Reading a command's words: options through ZELCmdLine, from the command
// line first and then from each @FILE:STANZA response file in turn, so the
// command line wins over a file and an earlier file over a later one.
#include "arguments.h"

#include <zel/stanza.h>
#include <zel/status.h>

#include <cctype>
#include <cstring>

#include "report.h"

namespace zeltool {
namespace {

bool is_negative_number(const char *word) {
    const char *digits = word[1] == '.' ? word + 2 : word + 1;
    return word[0] == '-' && std::isdigit(static_cast<unsigned char>(digits[0]));
}

// "-" alone stays an operand (standard input, by custom).
bool is_option(const char *word) {
    return word[0] == '-' && word[1] != '\0' && !is_negative_number(word);
}

const OptionSpec *find_spec(const std::vector<OptionSpec> &specs, const std::string &name) {
    for (const OptionSpec &spec : specs) {
        if (name == spec.name) return &spec;
    }
    return nullptr;
}

}  // namespace

int Arguments::read(const char *command, int argc, char **argv,
                    std::initializer_list<OptionSpec> listed) {
    std::vector<OptionSpec> specs(listed);
    specs.push_back({"help", false});
    // The options as ZELCmdLine reads them: "-NAME" and, for an option with a
    // value, the value in the next word.
    std::vector<std::string> fed{command};
    std::vector<const char *> files;
    bool options_ended = false;
    for (int i = 0; i < argc; ++i) {
        char *word = argv[i];
        if (options_ended || !is_option(word)) {
            if (!options_ended && word[0] == '@') {
                files.push_back(word);
            } else {
                words.push_back(word);
            }
            continue;
        }
        if (std::strcmp(word, "--") == 0) {
            options_ended = true;
            continue;
        }
        std::string name = word + (word[1] == '-' ? 2 : 1);
        size_t equals = name.find('=');
        std::string value = equals == std::string::npos ? "" : name.substr(equals + 1);
        if (equals != std::string::npos) name.resize(equals);
        if (name == "h") name = "help";
        const OptionSpec *spec = find_spec(specs, name);
        if (!spec) return usage_error(command, "unknown argument '%s'", word);
        fed.push_back("-" + name);
        if (!spec->takes_value) {
            if (equals != std::string::npos)
                return usage_error(command, "--%s takes no value", name.c_str());
            continue;
        }
        if (equals == std::string::npos) {
            if (i + 1 == argc) return usage_error(command, "--%s needs a value", name.c_str());
            value = argv[++i];
        }
        if (value.empty() || value[0] == '-') {
            dash_values.emplace(name, value);
        } else {
            fed.push_back(value);
        }
    }
    std::vector<const char *> vector;
    for (const std::string &word : fed) vector.push_back(word.c_str());
    if (line.initialize(static_cast<int>(vector.size()), vector.data()) != 0)
        return failure(command, "%s", status_text(ZEL_S_NO_MEMORY).c_str());
    for (const char *file : files) {
        if (int status = load_response_file(command, file)) return status;
    }
    return check_options(command, specs);
}

// @FILE:STANZA, split at the last colon. A stanza that is not in the file is
// an error here: an administrator who names one means it to be there.
int Arguments::load_response_file(const char *command, const char *word) {
    const char *colon = std::strrchr(word, ':');
    if (!colon || colon == word + 1 || colon[1] == '\0')
        return usage_error(command, "'%s' is not @FILE:STANZA", word);
    std::string file(word + 1, colon);
    std::string stanza(colon + 1);
    unsigned int status = 0;
    zelStzFile_t *stz = zelStzFileOpen(file.c_str(), ZEL_STZ_READ_ONLY, &status);
    if (!stz) return failure(command, "%s: %s", file.c_str(), status_text(status).c_str());
    bool found = zelStzMoveStanza(stz, stanza.c_str()) != 0;
    zelStzFileClose(stz);
    if (!found) return failure(command, "%s has no stanza [%s]", file.c_str(), stanza.c_str());
    status = static_cast<unsigned int>(
        line.loadRspFile(ZELStringRef(file.c_str()), ZELStringRef(stanza.c_str())));
    if (status) return failure(command, "%s: %s", file.c_str(), status_text(status).c_str());
    return kDone;
}

// Every option must be one the command understands, and the command line
// must not give one twice; a file may repeat what the command line gives.
int Arguments::check_options(const char *command, const std::vector<OptionSpec> &specs) {
    for (const OptionSpec &spec : specs) line.validated(ZELStringRef(spec.name));
    const ZELCmdLine::Table *unknown = line.invalidOptions();
    if (const ZELCmdLine::Table::Node *node = unknown->first()) {
        return usage_error(command, "unknown option '%s' in %s [%s]", node->key->getData(),
                           node->value->sourceFile.getData(), node->value->sourceStanza.getData());
    }
    const ZELCmdLine::Table *twice = line.duplicateOptions();
    for (const ZELCmdLine::Table::Node *node = twice->first(); node; node = twice->next(node)) {
        if (node->value->sourceFile.getLen() == 0)
            return usage_error(command, "--%s is given more than once", node->key->getData());
    }
    for (const OptionSpec &spec : specs) {
        ZELStringRef text;
        if (line.findOption(ZELString(spec.name), &text) != 0) continue;
        if (spec.takes_value) {
            if (text.getLen() == 0 && !dash_values.count(spec.name))
                return usage_error(command, "--%s needs a value", spec.name);
            continue;
        }
        bool on = true;
        if (text.getLen() > 0 && line.findOption(ZELString(spec.name), &on) != 0)
            return usage_error(command, "%s must be yes or no, not '%s'", spec.name,
                               text.getNullTermData());
        flags[spec.name] = on;
    }
    return kDone;
}

bool Arguments::start(const Help &help, int *argc, char ***argv, int *status,
                      std::initializer_list<OptionSpec> specs) {
    *status = read(help.command, *argc, *argv, specs);
    if (*status == kDone && given("help")) *status = show_help(help);
    if (*status != kDone || given("help")) return false;
    *argc = count();
    *argv = operands();
    return true;
}

bool Arguments::given(const char *name) const {
    auto flag = flags.find(name);
    return flag != flags.end() ? flag->second : value(name) != nullptr;
}

const char *Arguments::value(const char *name) const {
    auto dash = dash_values.find(name);
    if (dash != dash_values.end()) return dash->second.c_str();
    ZELStringRef text;
    if (line.findOption(ZELString(name), &text) != 0) return nullptr;
    return text.getData();  // the option's own text, zero-terminated
}

}  // namespace zeltool
