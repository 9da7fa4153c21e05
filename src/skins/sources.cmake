# Sources of src/skins. Core units (std library only) go to velmaris_core.
