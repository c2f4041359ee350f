# The warnings of the project's own code, errors in every configuration
# (GoogleTest and minizip are built without them).
set(TIV_WARNING_FLAGS -Wall -Wextra -Wno-unused-parameter -Werror)
