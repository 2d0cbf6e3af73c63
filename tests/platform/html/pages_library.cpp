// A library that only carries a page as an embedded resource, for loading
// pages from res: addresses.
