#pragma once
// Clock texts of OLE automation dates (days since 1899-12-30, the time of day as the fraction),
// the form the event host gives the local time in.

#include <string>

namespace vq {

// "hh:nn:ss", 24-hour.
std::string OleTimeText(double oleDate);

// The general date: "yyyy/mm/dd hh:nn:ss".
std::string OleGeneralDate(double oleDate);

}  // namespace vq
