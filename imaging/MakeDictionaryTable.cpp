// Build tool: writes the entries of DCMTK's installed dictionary files as a C++ table
// (imaging/DataDictionary.cpp includes it). DCMTK's own parser reads the files here, once
// at build time, so the table holds exactly what the toolkit would parse at run time.
//   make_dictionary_table OUT.inc [DICTIONARY FILE...]   (default: the toolkit's default list)
#include "dcmtk/config/osconfig.h"
#include "dcmtk/dcmdata/dcdicent.h"
#include "dcmtk/dcmdata/dcdict.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A C string literal, every byte outside plain printable ASCII as a three-digit octal escape.
std::string Literal(const char* text)
{
    if (text == nullptr)
        return "nullptr";
    std::string out = "\"";
    for (const unsigned char c : std::string(text)) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
            out += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", c);
            out += escaped;
        }
    }
    return out + "\"";
}

void WriteEntry(std::ostream& out, const DcmDictEntry& e)
{
    out << "{" << e.getGroup() << ", " << e.getElement() << ", " << e.getUpperGroup() << ", " << e.getUpperElement()
        << ", " << int(e.getGroupRangeRestriction()) << ", " << int(e.getElementRangeRestriction()) << ", "
        << int(e.getEVR()) << ", " << e.getVMMin() << ", " << e.getVMMax() << ", " << Literal(e.getTagName()) << ", "
        << Literal(e.getStandardVersion()) << ", " << Literal(e.getPrivateCreator()) << "},\n";
}

std::vector<std::string> SplitPathList(const std::string& list)
{
    std::vector<std::string> paths;
    std::stringstream in(list);
    for (std::string path; std::getline(in, path, ENVIRONMENT_PATH_SEPARATOR);)
        if (!path.empty())
            paths.push_back(path);
    return paths;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.inc [DICTIONARY FILE...]\n", argv[0]);
        return 2;
    }
    std::vector<std::string> files(argv + 2, argv + argc);
    if (files.empty())
        files = SplitPathList(DCM_DICT_DEFAULT_PATH);
    DcmDataDictionary dictionary(OFFalse, OFFalse);
    for (const std::string& file : files) {
        if (!dictionary.loadDictionary(file.c_str())) {
            std::fprintf(stderr, "%s: cannot read the dictionary %s\n", argv[0], file.c_str());
            return 1;
        }
    }
    std::ostringstream table;
    table << "// Generated at build time from";
    for (const std::string& file : files)
        table << " " << file;
    table << "; do not edit.\n";
    for (auto it = dictionary.normalBegin(); it != dictionary.normalEnd(); ++it)
        WriteEntry(table, **it);
    for (auto it = dictionary.repeatingBegin(); it != dictionary.repeatingEnd(); ++it)
        WriteEntry(table, **it);
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << table.str();
    return out.good() ? 0 : 1;
}
