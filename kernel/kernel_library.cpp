// libVorlainKernel.so: the exports come from VorlainKernelCore, linked whole.
