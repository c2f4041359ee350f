; Hostile archive: see config.txt.
        include "probe88.inc"
