; The ADPCM sine of include/adpcm_sine.inc as a file of its own.
        include "adpcm_sine.inc"
