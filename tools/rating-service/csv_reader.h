// Reading comma-separated files: fields may be quoted with double quotes,
// a doubled quote inside a quoted field stands for one quote, and quoted
// fields may hold commas and line breaks. Lines end in LF or CR LF; a
// leading UTF-8 byte order mark is skipped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvia::rating_service {

struct CsvRecord {
  int line = 0;  // the line the record begins on, from 1
  std::vector<std::string> fields;
};

// Splits `text` into records; blank lines are skipped. False, with the line
// and the reason in `error`, for an unterminated quoted field or a quote
// followed by something other than a comma or the end of the line.
bool ParseCsv(std::string_view text, std::vector<CsvRecord>& records, std::string& error);

}  // namespace quorvia::rating_service
