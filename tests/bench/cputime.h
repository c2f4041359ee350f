// CPU seconds used by this process so far (user + system), so that the
// benchmark's figures do not depend on how busy the shared machine is.
#pragma once

double ProcessCpuSeconds();
