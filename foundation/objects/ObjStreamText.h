#pragma once
// The object stream as text, for reading by people and by tools that know the text form of
// stored objects. Each record becomes
//
//   object Name: TClass          (the top record: "object TClass")
//     Field = value
//     object Nested: TClass
//       ...
//     end
//   end
//
// indented by two blanks a level, each line ended by "\r\n" as the original's text forms are.
// Values: integers in decimal; floats with "." and up to 15 digits, followed by "s" for a
// single, "c" for a currency and "d" for a date; True, False, nil, Null and identifiers as they
// stand; texts in single quotes, with a quote and any byte below a blank written as #<code>
// outside the quotes, and a text of more than 64 bytes started on a line of its own and cut
// into pieces of at most 64 bytes, joined by " +" at the end of each line; lists in ( ), sets in
// [ ], collections in < > of "item ... end" groups, binary values in { } as hexadecimal
// digits, 32 bytes a line when there are 32 or more.
//
// Texts keep the stream's bytes (GB18030, see foundation/text/TextEncoding.h): the text form is a
// file like the stream itself. A piece of text is never cut inside a character.
//
// Reads from the input's position to its end; raises EReadError ("Invalid stream format" for a
// missing signature) for bytes that are no object stream. Any thread, one stream pair at a time.
#include "foundation/streams/Stream.h"

namespace olv {

void ObjectStreamToText(TStream& input, TStream& output);

}  // namespace olv
