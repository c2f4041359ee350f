; Hostile archive: see config.txt.
        include "probe88c.inc"
