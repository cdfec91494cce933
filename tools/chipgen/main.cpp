// vesk-chipgen TABLE CHIPS_FOLDER CHIP_LIST
// Writes one chip definition file per part of the device table into CHIPS_FOLDER and
// the list of parts to CHIP_LIST. scripts/generate-chips runs it over the repository's
// own files; the tests run it into a temporary folder and compare.
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>

#include "ChipFile.h"
#include "ChipList.h"
#include "DeviceTable.h"
#include "Families.h"

using namespace vesk::chipgen;

namespace {

// Written as bytes: the files are compared byte for byte with the committed ones.
void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

void Generate(const std::string& table, std::string folder, const std::string& list) {
    const std::vector<Device_t> devices = ReadDeviceTable(table);
    for (const std::string& part : FamilyPartsMissingFrom(devices))
        throw std::runtime_error("the algorithm table names " + part + ", which " + table + " does not hold");
    if (!folder.empty() && folder.back() != '/') folder += '/';
    for (const Device_t& device : devices)
        WriteFile(folder + ChipFileName(device), ChipFileText(device));
    WriteFile(list, ChipListText(devices));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vesk-chipgen TABLE CHIPS_FOLDER CHIP_LIST\n");
        return 2;
    }
    try {
        Generate(argv[1], argv[2], argv[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesk-chipgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
