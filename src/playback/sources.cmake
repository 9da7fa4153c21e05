# Sources of src/playback. Core units (std library only) go to velmaris_core.
