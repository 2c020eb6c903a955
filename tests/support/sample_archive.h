// The bundled sample archive, as the tests and make-sample-archive build it.
#pragma once

#include "tests/support/archive_writer.h"

namespace testarchive {

Archive SampleArchive();

}  // namespace testarchive
