// The process command line of the simulated machine and its splitting into arguments, with the rules
// of the system's own splitter.
#include "platform/command_line.h"

#include <string>
#include <vector>

#include "platform/library.h"
#include "platform/sim/description.h"
#include "platform/sim/faults.h"
#include "platform/sim/local_memory.h"
#include "platform/sim/machine.h"
#include "platform/text.h"

namespace sim {

namespace {

std::u16string& CommandLine() {
    static std::u16string commandLine;
    return commandLine;
}

void ResetCommandLine() {
    CommandLine().clear();
}

const sim::ModuleRegistration kModule{{&ResetCommandLine, nullptr}};

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// One argument quoted so that the splitter gives it back unchanged.
std::u16string QuoteArgument(const std::u16string& arg) {
    if (!arg.empty() && arg.find_first_of(u" \t\n\v\"") == std::u16string::npos) {
        return arg;
    }
    std::u16string quoted = u"\"";
    std::size_t backslashes = 0;
    for (const char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; elsewhere they stay as they are.
        quoted.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, u'\\'); // they precede the closing quote
    return quoted + u'"';
}

std::u16string BuildCommandLine() {
    const Json& desc = Description();
    if (desc["commandLine"].is_string()) {
        return platform::Utf8ToUtf16(desc["commandLine"].get_ref<const std::string&>());
    }
    // The program path cannot hold a quote; it is quoted whole when it holds a blank.
    const std::u16string program =
        desc["program"].is_string() ? platform::Utf8ToUtf16(desc["program"].get<std::string>()) : u"";
    std::u16string line =
        program.find_first_of(u" \t") == std::u16string::npos ? program : u"\"" + program + u"\"";
    for (const std::string& arg : Arguments()) {
        line += u" " + QuoteArgument(platform::Utf8ToUtf16(arg));
    }
    return line;
}

// The program name: up to the closing quote when it starts with one, else up to the first blank;
// backslashes and quotes have no special meaning in it.
const char16_t* SplitProgramName(const char16_t* s, std::u16string& name) {
    if (*s == u'"') {
        ++s;
        while (*s != u'\0' && *s != u'"') {
            name += *s++;
        }
        if (*s == u'"') {
            ++s;
        }
    } else {
        while (*s != u'\0' && !IsBlank(*s)) {
            name += *s++;
        }
    }
    return s;
}

// The remaining arguments: blanks separate them outside quotes; 2n backslashes before a quote give n
// backslashes and the quote opens or closes quoting, 2n+1 give n backslashes and a literal quote; a
// quote that closes quoting and is followed by another quote gives a literal quote.
void SplitArguments(const char16_t* s, std::vector<std::u16string>& args) {
    while (true) {
        while (IsBlank(*s)) {
            ++s;
        }
        if (*s == u'\0') {
            return;
        }
        std::u16string arg;
        bool quoted = false;
        std::size_t backslashes = 0;
        for (; *s != u'\0' && (quoted || !IsBlank(*s)); ++s) {
            if (*s == u'\\') {
                ++backslashes;
                continue;
            }
            if (*s != u'"') {
                arg.append(backslashes, u'\\');
                arg += *s;
            } else if (backslashes % 2 == 1) {
                arg.append(backslashes / 2, u'\\');
                arg += u'"';
            } else {
                arg.append(backslashes / 2, u'\\');
                if (quoted && s[1] == u'"') {
                    arg += u'"';
                    ++s;
                }
                quoted = !quoted;
            }
            backslashes = 0;
        }
        arg.append(backslashes, u'\\');
        args.push_back(std::move(arg));
    }
}

// The program's own path, which an empty command line splits into.
std::u16string ProgramPath() {
    char16_t buffer[1024] = {};
    const platform::DWORD length = platform::GetModuleFileNameW(nullptr, buffer, 1024);
    return std::u16string(buffer, length < 1024 ? length : 0);
}

} // namespace

} // namespace sim

namespace platform {

const char16_t* GetCommandLineW() {
    std::u16string& line = sim::CommandLine();
    if (line.empty()) {
        line = sim::BuildCommandLine();
    }
    return line.c_str();
}

char16_t** CommandLineToArgvW(const char16_t* commandLine, int* count) {
    if (count == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (sim::FindFault("CommandLineToArgvW") != nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::vector<std::u16string> args(1);
    if (commandLine == nullptr || *commandLine == u'\0') {
        args[0] = sim::ProgramPath();
    } else {
        sim::SplitArguments(sim::SplitProgramName(commandLine, args[0]), args);
    }
    char16_t** argv = sim::LocalStringArray(args);
    if (argv == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    *count = static_cast<int>(args.size());
    return argv;
}

void* LocalFree(void* memory) {
    if (memory == nullptr || sim::LocalRelease(memory)) {
        return nullptr;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return memory;
}

} // namespace platform
