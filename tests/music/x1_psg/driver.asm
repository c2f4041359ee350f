; x1/psg test program: the shared one of include/x1psg_driver.inc.
        include "x1psg_driver.inc"
