#include "settings/remembered_file.h"

#include "settings/ini_file.h"

namespace marovin {
namespace {

constexpr char kSection[] = "TERVALO";
constexpr char kKey[] = "Fichier 1";

} // namespace

Result<std::optional<std::string>> read_remembered_seismic_file(const std::string& ini_path)
{
    return read_ini_value(ini_path, kSection, kKey);
}

Status write_remembered_seismic_file(const std::string& ini_path, const std::string& seismic_path)
{
    return write_ini_value(ini_path, kSection, kKey, seismic_path);
}

} // namespace marovin
