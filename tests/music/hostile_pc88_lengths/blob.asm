; 4 KiB of song data for the hostile archives.
        org 0
        ds 4096, 0AAh
