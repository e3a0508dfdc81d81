#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kerfolio {

// The machines of a report by number. A name is decoded once per folder and distinct bytes: a year of
// archives holds tens of thousands of lines and a handful of names. Two names count as one machine when
// they read the same after their folder's label, whatever bytes they came in.
class MachineNames {
  public:
    // The label in front of each folder's names ("" for a single folder, else "<folder>/").
    explicit MachineNames(std::vector<std::string> prefixes);

    // The number of a name as a line of folder gives it, in GBK or decoded; numbers of names, not
    // machines: Machine says whose it is.
    int OfGbk(std::size_t folder, std::string_view gbk);
    int OfText(std::size_t folder, std::string text);

    int Machine(int name) const { return machineOf_[std::size_t(name)]; }
    // The report's name of each machine, by machine.
    const std::vector<std::string>& Machines() const { return machines_; }
    // Each name as its line gives it, by name: what a parameter record would call the machine.
    const std::vector<std::string>& RecordNames() const { return recordNames_; }
    // The folder of each machine and its name there (without the folder's label), by machine.
    std::size_t FolderOf(int machine) const { return folderOf_[std::size_t(machine)]; }
    const std::string& TextOf(int machine) const { return textOf_[std::size_t(machine)]; }

  private:
    struct Folder {
        std::string prefix;
        std::map<std::string, int, std::less<>> gbk;
        std::map<std::string, int, std::less<>> text;
    };

    std::vector<Folder> folders_;
    std::vector<std::string> recordNames_;  // by name
    std::vector<int> machineOf_;            // by name
    std::vector<std::string> machines_;
    std::vector<std::size_t> folderOf_;  // by machine
    std::vector<std::string> textOf_;    // by machine
    std::map<std::string, int> machineNumbers_;
};

}  // namespace kerfolio
