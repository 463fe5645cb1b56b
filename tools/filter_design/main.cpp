// sonaro-filter-design: designs the resampler's band-pass filters.
//   --text RATE      prints the table of one filter rate, one coefficient per line
//   --source FILE    writes the C++ source file holding all five tables
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tools/filter_design/band_pass_tables.h"

namespace {

int Usage() {
    std::cerr << "usage: sonaro-filter-design --text RATE\n"
                 "       sonaro-filter-design --source FILE\n"
                 "RATE is one of 88200, 48000, 32000, 24000, 16000.\n";
    return 2;
}

int PrintTable(const std::string& rateText) {
    char* end = nullptr;
    const unsigned long rate = std::strtoul(rateText.c_str(), &end, 10);
    if (rateText.empty() || *end != '\0' || rate > 0xFFFFFFFFUL) {
        return Usage();
    }
    std::cout << sonaro::design::TableText(
        sonaro::design::DesignTable(static_cast<std::uint32_t>(rate)));
    return 0;
}

int WriteSource(const std::string& path) {
    std::vector<sonaro::design::DesignedTable> tables;
    for (const auto& shape : sonaro::design::kTableShapes) {
        tables.push_back(sonaro::design::DesignTable(shape.filterRate));
    }
    const std::string text = sonaro::design::TableSource(tables);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "sonaro-filter-design: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return Usage();
    }
    const std::string mode = argv[1];
    try {
        if (mode == "--text") {
            return PrintTable(argv[2]);
        }
        if (mode == "--source") {
            return WriteSource(argv[2]);
        }
    } catch (const std::exception& error) {
        std::cerr << "sonaro-filter-design: " << error.what() << "\n";
        return 1;
    }
    return Usage();
}
