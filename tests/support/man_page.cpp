#include "tests/support/man_page.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace sonaro::test {
namespace {

// The man page as it reads: roff's escaped hyphens made plain.
std::string ManPageText(const std::string& page) {
    std::ifstream in(std::string(SONARO_SOURCE_DIR) + "/resources/man/" + page + ".1");
    std::stringstream text;
    text << in.rdbuf();
    return std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");
}

}  // namespace

std::vector<std::string> OptionsMissingFromManPage(const std::string& usage,
                                                   const std::string& page) {
    const std::string man = ManPageText(page);
    // "  -o, --output FILE   ..." and "      --version   ...": the options before the description.
    const std::regex optionLine(R"(^ +(-[-a-z]+(, -[-a-z]+)*))");
    const std::regex option(R"(-[-a-z]+)");
    std::vector<std::string> missing;
    std::istringstream lines(usage);
    for (std::string line; std::getline(lines, line);) {
        std::smatch options;
        if (!std::regex_search(line, options, optionLine)) {
            continue;
        }
        const std::string listed = options[1];
        for (std::sregex_iterator it(listed.begin(), listed.end(), option), end; it != end; ++it) {
            const std::regex named("(^|[^-a-z])" + it->str() + "($|[^-a-z])");
            if (!std::regex_search(man, named)) {
                missing.push_back(it->str());
            }
        }
    }
    return missing;
}

}  // namespace sonaro::test
