#pragma once

#include <cstdint>

namespace pgdump2pl {

// What a dump is once every compression around it is undone.
enum class DumpFormat : std::uint8_t {
  plain,              // an SQL script
  custom_archive,     // pg_dump -Fc
  tar_archive,        // pg_dump -Ft
  directory_archive,  // pg_dump -Fd
};

}  // namespace pgdump2pl
