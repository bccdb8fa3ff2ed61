#pragma once

namespace fernwick_test {

// Widgets need an application object; one is made on first use and kept.
void ensureApplication();

} // namespace fernwick_test
