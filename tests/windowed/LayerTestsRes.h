// String IDs of the layer tests' string table.
#pragma once

#define IDS_TEST_CHUNK 100
#define IDS_TEST_LONG 101
#define IDS_TEST_INCH 102
#define IDS_TEST_MISSING 999
