// The VornPointer NMEA log (.vrn): for every fix the logger wrote the
// sentences that the receiver sent, then one empty line:
//
//   $GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D
//   $GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53
//   $GPGSA,A,3,01,,,,13,20,22,,,,28,,3.1,2.1,2.0*3A
//   $PGRME,9.1,M,15.0,M,12.0,M*21
//   $PGRMZ,48,f,3*27
//   (empty line)
//
// A block is a run of non-empty lines; they are joined without a separator,
// so each sentence runs from its "$" to the next. Only the first sentence of
// each kind in a block is read (nmea_sentence.hpp lists the fields used).
// A block that holds several fixes (a receiver's stream written without
// empty lines, or a block cut wrongly) is read as one block per fix: a fix
// ends where $GPRMC, $GPGGA or $GPGLL comes again with another time.
//
// A block becomes one record of the VRP layout (log_line.hpp). Its values
// update a list of last known values (LogFixState); what a block does not
// carry keeps the value of an earlier block of the file:
//   3  date and time: the $GPRMC date, a blank, then the first time of
//      $GPRMC, $GPGGA, $GPGLL
//   4  position error from $PGRME, as a number
//   5-8 hemisphere, latitude, hemisphere, longitude, all four from the first
//      of $GPRMC, $GPGGA, $GPGLL that has a latitude hemisphere; the degrees
//      are negative for S and W
//   9  altitude from $PGRMZ, else the $GPGGA altitude
//   10 speed from $GPRMC
//   11 course from $GPRMC minus variation * side; a course of 0 stays "0"
//   12, 13 vertical speed and direction: only the Garmin log has them
//   14 fix mode: the $GPGSA mode upper case for a $GPGGA quality of 1 ("3D"),
//      lower case for 2 ("3d", differential); "--" in a block without time
//   15, 16 variation and its side from $GPRMC
//   17 heading from $HCHDG minus variation * side
// Course and heading are not brought back into 0 to 360. Fields 1 and 2 are
// always "-" (the datum is the user's choice for these logs) and "0" (UTC).
#pragma once

#include <string_view>

#include "formats/vornpointer/log_line.hpp"
#include "text/line_source.hpp"

namespace vc::vp {

// Reads the next block (or the next fix of a block of several) and parses
// it. At the end of the file the status is
// "EOF" and every field empty. The empty line after a block is consumed;
// the end of the file inside a block ends it, so a second empty line in a
// row reads as an empty block (kNoPosition, all fields empty).
LogRecord ReadVrnBlock(text::LineSource& source, LogFixState& state, LogLine& out);

// Updates `state` from the sentences of `block` and delivers the record.
//   kNoPosition  the block is empty (nothing changes, every field empty), or
//                no block of the file has given a position yet
//   kNoTime      none of $GPRMC, $GPGGA, $GPGLL has a time: the block still
//                updates the values it carries; field 3 holds at most the
//                date (no clock time is made up) and field 14 of the record
//                is "--", while the last known fix mode stays as it was
//   kFix         otherwise
// `block` must not be a text of `out` other than out.work.text.
LogRecord ParseNmeaBlock(std::string_view block, LogFixState& state, LogLine& out);

}  // namespace vc::vp
